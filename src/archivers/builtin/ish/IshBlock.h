#pragma once
// One block of an encoded file and its two check lines.
//
// With record length L, a block holds data lines 1 to L-3, then a column
// line (number L-2) and a diagonal line (number L). Seen as a table whose
// rows are the lines 1 to L-2 and whose columns are the first L-2 bytes of
// each record (the line number in column 0, then the payload):
//   - every payload column adds up to 0 (mod 256) over the rows;
//   - the diagonal line's byte k (k >= 1) is minus the sum of the cells
//     (r, (k + r - 2) mod (L-2)) over the rows r. Its byte for k = 0 is not
//     sent; the line numbers fix it, since all the diagonals together add
//     up to minus all the line numbers.
// Lines missing from a short last block count as lines of zeros. Because
// L-2 is a prime number for every encoding, the two kinds of sums together
// rebuild any two lost rows.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "archivers/builtin/ish/IshCodec.h"

namespace ks {

class IshBlock {
 public:
  // `dataLines`: how many data lines this block carries (L-3, fewer in the
  // last block of a file).
  IshBlock(std::size_t recordLength, std::size_t dataLines);

  // Line numbers of the check lines.
  unsigned columnLine() const { return static_cast<unsigned>(length_ - 2); }
  unsigned diagonalLine() const { return static_cast<unsigned>(length_); }

  // Takes a sound record; its first byte is its line number. Returns false,
  // taking nothing, for a number that is no line of this block; a line seen
  // twice keeps its first copy.
  bool Place(const IshRecord& record);
  bool Has(unsigned line) const;

  enum class State { Whole, Mended, TooDamaged };
  // Rebuilds lost data lines from the check lines where it can. `lost`
  // receives the numbers of the data lines that were missing.
  State Complete(std::vector<unsigned>& lost);

  // Payload of data line `line` (1 to dataLines), length L-3.
  const std::uint8_t* Payload(unsigned line) const;
  std::size_t payloadSize() const { return length_ - 3; }

  // The sealed column and diagonal records for the data lines placed (all of
  // them must be): what a writer puts after them.
  std::vector<IshRecord> MakeCheckRecords() const;

 private:
  std::size_t width() const { return length_ - 2; }
  std::uint8_t& Cell(std::size_t row, std::size_t column) { return rows_[row][column]; }
  std::uint8_t Cell(std::size_t row, std::size_t column) const { return rows_[row][column]; }
  std::size_t DiagonalColumn(std::size_t k, std::size_t row) const;
  // Sum of column `column` over the rows 1 to L-2, leaving out `skip`.
  std::uint8_t ColumnSum(std::size_t column, std::size_t skip) const;
  // Sum of diagonal `k` over the rows and the diagonal line, leaving out `skip`.
  std::uint8_t DiagonalSum(std::size_t k, std::size_t skip) const;
  // The diagonal line's unsent byte 0, from its other bytes.
  void SetHiddenDiagonal();
  bool MendTwo(std::size_t first, std::size_t second);
  bool SumsHold() const;

  std::size_t length_;
  std::size_t dataLines_;
  // rows_[1..L-2] are the table, rows_[L] the diagonal line; each holds the
  // first L-2 bytes of its record.
  std::vector<std::vector<std::uint8_t>> rows_;
  std::vector<bool> present_;
};

}  // namespace ks
