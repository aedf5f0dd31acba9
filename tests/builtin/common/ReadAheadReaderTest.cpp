// The reader that reads on a thread of its own must tell the writer exactly
// what the wrapped reader would have told it: the same entries, data, holes,
// failures and positions, whether the writer reads, skips, or stops in the
// middle of an entry; and it must stop cleanly when left early.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "archivers/builtin/common/ReadAheadReader.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks::test {
namespace {

// One step of a scripted archive.
struct Step {
  EntryReader::Next next = EntryReader::Next::Entry;
  std::string name;
  std::string data;
  int failure = kArcOk;  // of the data (Entry) or of the stretch (Damaged, Broken)
  std::uint64_t hole = 0;  // a hole this long in the middle of the data
  EntryType type = EntryType::File;
};

class ScriptedReader : public EntryReader {
 public:
  explicit ScriptedReader(std::vector<Step> steps) : steps_(std::move(steps)) {}

  // Like a real reader, passes over what was left of the entry's data.
  Next NextEntry() override {
    position_ += unread_ + 512;
    if (++at_ >= steps_.size()) return Next::End;
    const Step& step = steps_[at_];
    if (step.next != Next::Entry) Fail(step.failure, "stretch " + std::to_string(at_) + " damaged");
    entry_ = ExtractEntry{};
    entry_.name = step.name;
    entry_.type = step.type;
    entry_.size = step.data.size() + step.hole;
    unread_ = step.data.size();
    return step.next;
  }
  const ExtractEntry& entry() const override { return entry_; }
  bool entryEncrypted() const override { return false; }
  int ReadData(const DataSink& sink) override { return ReadSparseData(sink, {}); }
  int ReadSparseData(const DataSink& sink, const HoleSink& hole) override {
    const Step& step = steps_[at_];
    const std::string& data = step.data;
    const std::size_t half = data.size() / 2;
    // In odd blocks, so that pieces are gathered across them.
    for (std::size_t from = 0; from < data.size();) {
      if (from == half && step.hole > 0) {
        const int h = hole ? hole(step.hole) : sink(std::string(step.hole, '\0').data(), step.hole);
        if (h != kArcOk) return h;
      }
      const std::size_t n = std::min<std::size_t>(from < half ? half - from : data.size() - from, 70001);
      position_ += n;
      unread_ -= n;
      if (const int s = sink(data.data() + from, n); s != kArcOk) return s;
      from += n;
    }
    return step.failure == kArcOk ? kArcOk : Fail(step.failure, step.name + " damaged");
  }
  // Passing over damaged data finds the damage too (as decoding through a
  // compressed stream does).
  int SkipData() override {
    const Step& step = steps_[at_];
    position_ += unread_;
    unread_ = 0;
    return step.failure == kArcOk ? kArcOk : Fail(step.failure, step.name + " damaged");
  }
  std::uint64_t bytesRead() const override { return position_; }
  std::uint64_t fileSize() const override { return 123456789; }

 private:
  std::vector<Step> steps_;
  std::size_t at_ = static_cast<std::size_t>(-1);
  ExtractEntry entry_;
  std::uint64_t position_ = 0;
  std::uint64_t unread_ = 0;
};

// What a writer sees: every entry read, except every third skipped and the
// fifth stopped after its first block, as Cancel or a full disk would.
std::string Transcript(EntryReader& reader) {
  std::ostringstream out;
  out << "size " << reader.fileSize() << "\n";
  for (int i = 0;; ++i) {
    const EntryReader::Next next = reader.NextEntry();
    out << static_cast<int>(next) << " at " << reader.bytesRead();
    if (next == EntryReader::Next::End) break;
    if (next != EntryReader::Next::Entry) {
      out << " " << reader.error() << " " << reader.errorText() << "\n";
      if (next == EntryReader::Next::Broken) break;
      continue;
    }
    out << " " << reader.entry().name << " " << reader.entry().size;
    int r;
    if (i % 3 == 2) {
      r = reader.SkipData();
    } else {
      std::uint64_t blocks = 0, bytes = 0, sum = 0;
      r = reader.ReadSparseData(
          [&](const void* data, std::size_t size) {
            const auto* p = static_cast<const unsigned char*>(data);
            for (std::size_t k = 0; k < size; ++k) sum = sum * 31 + p[k];
            bytes += size;
            return i == 4 && ++blocks == 1 ? kArcUserCancel : kArcOk;
          },
          [&](std::uint64_t size) {
            out << " hole " << size;
            return kArcOk;
          });
      // Where a read stopped early depends on how the data came in blocks.
      if (r != kArcUserCancel) out << " read " << bytes << " sum " << sum << " then at " << reader.bytesRead();
    }
    out << " -> " << r;
    if (r != kArcOk && r != kArcUserCancel) out << " " << reader.errorText();
    out << "\n";
  }
  return out.str();
}

std::string Text(std::size_t size, int seed) {
  std::string s(size, ' ');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 13 + seed) % 26);
  return s;
}

std::vector<Step> Script() {
  using Next = EntryReader::Next;
  std::vector<Step> steps;
  for (int i = 0; i < 12; ++i) steps.push_back({Next::Entry, "f" + std::to_string(i), Text(1000 * i * i, i)});
  steps[3].failure = kArcFileCrc;
  steps[6].hole = 1 << 20;
  steps[8].type = EntryType::Directory;
  steps[8].data.clear();
  // Larger than all the reader may hold ahead: it has to wait for the writer.
  steps.insert(steps.begin() + 9,
               Step{Next::Entry, "large", Text(3 * ReadAheadReader::kBudget + 12345, 9)});
  steps.insert(steps.begin() + 10, Step{Next::Damaged, "", "", kArcHeaderBroken});
  steps.push_back({Next::Entry, "last", Text(5000, 3), kArcUnexpectedEof});
  steps.push_back({Next::Broken, "", "", kArcBrokenData});
  return steps;
}

TEST(ReadAheadReader, TellsTheWriterWhatTheReaderItselfWould) {
  ScriptedReader direct(Script());
  const std::string expected = Transcript(direct);
  ScriptedReader inner(Script());
  ReadAheadReader ahead(inner);
  EXPECT_EQ(Transcript(ahead), expected);
  // After the end the end is told again, without waiting for anything.
  EXPECT_EQ(ahead.NextEntry(), EntryReader::Next::End);
}

TEST(ReadAheadReader, StopsWhenTheWriterLeavesEarly) {
  std::vector<Step> steps;
  for (int i = 0; i < 40; ++i)
    steps.push_back({EntryReader::Next::Entry, "f" + std::to_string(i), Text(ReadAheadReader::kBudget / 4, i)});
  ScriptedReader inner(steps);
  {
    ReadAheadReader ahead(inner);
    ASSERT_EQ(ahead.NextEntry(), EntryReader::Next::Entry);
    // Left in the middle of an entry, with the reading thread blocked on a
    // full queue: going away must not wait for the rest of the archive.
  }
  EXPECT_LT(inner.bytesRead(), 20 * (ReadAheadReader::kBudget / 4));
}

}  // namespace
}  // namespace ks::test
