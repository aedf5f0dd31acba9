#include "archivers/builtin/ish/IshBlock.h"

#include <algorithm>
#include <limits>

namespace ks {
namespace {

constexpr std::size_t kNoRow = std::numeric_limits<std::size_t>::max();

std::uint8_t Negated(unsigned sum) { return static_cast<std::uint8_t>(0u - sum); }

}  // namespace

IshBlock::IshBlock(std::size_t recordLength, std::size_t dataLines)
    : length_(recordLength),
      dataLines_(std::min(dataLines, recordLength - 3)),
      rows_(recordLength + 1, std::vector<std::uint8_t>(recordLength - 2, 0)),
      present_(recordLength + 1, false) {
  // Lines a short last block does not send take part in the sums as lines
  // of zeros that carry their numbers.
  for (std::size_t r = dataLines_ + 1; r <= length_ - 3; ++r) {
    rows_[r][0] = static_cast<std::uint8_t>(r);
    present_[r] = true;
  }
}

bool IshBlock::Place(const IshRecord& record) {
  if (record.size() != length_) return false;
  const std::size_t line = record[0];
  const bool data = line >= 1 && line <= dataLines_;
  if (!data && line != columnLine() && line != diagonalLine()) return false;
  if (present_[line]) return true;
  std::copy(record.begin(), record.begin() + static_cast<std::ptrdiff_t>(width()),
            rows_[line].begin());
  present_[line] = true;
  return true;
}

bool IshBlock::Has(unsigned line) const { return line < present_.size() && present_[line]; }

std::size_t IshBlock::DiagonalColumn(std::size_t k, std::size_t row) const {
  return (k + row + width() - 2) % width();
}

std::uint8_t IshBlock::ColumnSum(std::size_t column, std::size_t skip) const {
  unsigned sum = 0;
  for (std::size_t r = 1; r <= width(); ++r)
    if (r != skip) sum += Cell(r, column);
  return static_cast<std::uint8_t>(sum);
}

std::uint8_t IshBlock::DiagonalSum(std::size_t k, std::size_t skip) const {
  unsigned sum = Cell(length_, k);
  for (std::size_t r = 1; r <= width(); ++r)
    if (r != skip) sum += Cell(r, DiagonalColumn(k, r));
  return static_cast<std::uint8_t>(sum);
}

void IshBlock::SetHiddenDiagonal() {
  // All diagonals together hold every cell once; the payload columns cancel
  // out, which leaves the line numbers 1 to L-2.
  unsigned total = static_cast<unsigned>(width() * (width() + 1) / 2);
  for (std::size_t k = 1; k < width(); ++k) total += Cell(length_, k);
  Cell(length_, 0) = Negated(total);
}

bool IshBlock::MendTwo(std::size_t first, std::size_t second) {
  // Column 0 of both rows is known (their line numbers). The diagonal through
  // a known cell of the second row gives the first row's cell on it, and that
  // cell's column gives the second row's cell beside it; each step moves
  // `second - first` columns back, and with a prime width the walk meets
  // every column before it comes back to column 0.
  const std::size_t w = width();
  const std::size_t shift = (second - first) % w;
  Cell(first, 0) = static_cast<std::uint8_t>(first);
  Cell(second, 0) = static_cast<std::uint8_t>(second);
  std::size_t known = 0;
  for (std::size_t step = 1; step < w; ++step) {
    const std::size_t column = (known + w - shift) % w;
    if (column == 0) return false;
    const std::size_t k = (column + 2 + w - first) % w;
    Cell(first, column) = Negated(DiagonalSum(k, first));
    Cell(second, column) = Negated(ColumnSum(column, second));
    known = column;
  }
  present_[first] = present_[second] = true;
  return true;
}

bool IshBlock::SumsHold() const {
  if (present_[columnLine()])
    for (std::size_t c = 1; c < width(); ++c)
      if (ColumnSum(c, kNoRow) != 0) return false;
  if (present_[diagonalLine()])
    for (std::size_t k = 0; k < width(); ++k)
      if (DiagonalSum(k, kNoRow) != 0) return false;
  return true;
}

IshBlock::State IshBlock::Complete(std::vector<unsigned>& lost) {
  lost.clear();
  for (std::size_t r = 1; r <= dataLines_; ++r)
    if (!present_[r]) lost.push_back(static_cast<unsigned>(r));
  if (lost.empty()) return State::Whole;

  std::vector<std::size_t> unknown(lost.begin(), lost.end());
  if (!present_[columnLine()]) unknown.push_back(columnLine());
  const bool diagonal = present_[diagonalLine()];
  if (diagonal) SetHiddenDiagonal();

  if (unknown.size() == 1) {
    const std::size_t row = unknown[0];
    Cell(row, 0) = static_cast<std::uint8_t>(row);
    for (std::size_t c = 1; c < width(); ++c) Cell(row, c) = Negated(ColumnSum(c, row));
    present_[row] = true;
  } else if (unknown.size() != 2 || !diagonal || !MendTwo(unknown[0], unknown[1])) {
    return State::TooDamaged;
  }
  // Rebuilt lines are only as good as the check lines; the sums not used to
  // rebuild them must still hold.
  return SumsHold() ? State::Mended : State::TooDamaged;
}

const std::uint8_t* IshBlock::Payload(unsigned line) const { return rows_[line].data() + 1; }

std::vector<IshRecord> IshBlock::MakeCheckRecords() const {
  IshBlock table = *this;
  const std::size_t column = columnLine();
  table.Cell(column, 0) = static_cast<std::uint8_t>(column);
  for (std::size_t c = 1; c < width(); ++c) table.Cell(column, c) = Negated(ColumnSum(c, column));
  std::fill(table.rows_[length_].begin(), table.rows_[length_].end(), 0);

  IshRecord columnRecord(length_, 0), diagonalRecord(length_, 0);
  std::copy(table.rows_[column].begin(), table.rows_[column].end(), columnRecord.begin());
  diagonalRecord[0] = static_cast<std::uint8_t>(length_);
  for (std::size_t k = 1; k < width(); ++k) diagonalRecord[k] = Negated(table.DiagonalSum(k, kNoRow));
  SealIshRecord(columnRecord);
  SealIshRecord(diagonalRecord);
  return {columnRecord, diagonalRecord};
}

}  // namespace ks
