#include "archivers/builtin/common/StreamSource.h"

#include <archive.h>

#include <cerrno>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <cstdio>
#include <cstring>
#include <vector>

#include "archivers/builtin/common/StreamCodec.h"
#include "archivers/builtin/common/WorkerThreads.h"

namespace ks {

namespace {
constexpr std::size_t kInSize = 1 << 18;
constexpr std::size_t kOutSize = 1 << 20;
constexpr std::size_t kLongestSignature = 4;
// Decoded blocks waiting for libarchive at most: enough to ride out a run
// of small files on the writing side.
constexpr std::size_t kBlocksAhead = 4;
}  // namespace

struct StreamSource::Impl {
  std::unique_ptr<StreamCodec> codec;
  std::FILE* file = nullptr;
  bool finished = false;  // every stream read and verified
  bool inputEnded = false;
  std::vector<unsigned char> in = std::vector<unsigned char>(kInSize);
  std::vector<unsigned char> out = std::vector<unsigned char>(kOutSize);
  const unsigned char* next = nullptr;  // unread input
  std::size_t left = 0;
  std::uint64_t consumed = 0;
  // Data that cannot be decoded, met after some output of the same call:
  // that output is passed on first, and this is told on the next call.
  std::string undecodable;

  // Makes at least `n` bytes available, fewer only when the file ends.
  bool Want(std::size_t n) {
    if (left >= n || inputEnded) return true;
    if (left > 0 && next != in.data()) std::memmove(in.data(), next, left);
    next = in.data();
    while (left < n && !inputEnded) {
      const std::size_t got = std::fread(in.data() + left, 1, in.size() - left, file);
      if (got == 0) {
        if (std::ferror(file)) return false;
        inputEnded = true;
      }
      left += got;
      consumed += got;
    }
    return true;
  }

  // What follows a stream: another stream, nothing, or zeros (tape blocks
  // pad some files). Anything else is a stream whose start was damaged;
  // passing over it would drop its data without a word.
  enum class After { Stream, End, Damaged, ReadError };
  After WhatFollows() {
    if (!Want(codec->signatureSize())) return After::ReadError;
    if (left >= codec->signatureSize() && codec->IsStart(next)) return After::Stream;
    for (;;) {
      for (std::size_t i = 0; i < left; ++i)
        if (next[i] != 0) return After::Damaged;
      left = 0;
      if (inputEnded) return After::End;
      if (!Want(1)) return After::ReadError;
    }
  }

  // Why decoding stopped: an errno and a text for libarchive.
  struct Failure {
    int err = 0;
    std::string text;
  };
  la_ssize_t Broken(Failure& failure, int err, const std::string& text) {
    failure = {err, text};
    return -1;
  }

  // Decodes the next block into `into` (kOutSize bytes); its size, 0 at the
  // end, -1 on damage (`failure` says why).
  la_ssize_t Decode(std::vector<unsigned char>& into, Failure& failure) {
    if (finished) return 0;
    const std::string name = codec->name();
    if (!undecodable.empty()) return Broken(failure, EILSEQ, name + " data damaged: " + undecodable);
    unsigned char* o = into.data();
    std::size_t room = into.size();
    while (room == into.size()) {
      if (!Want(1)) return Broken(failure, errno, "cannot read the archive");
      if (left == 0 && inputEnded)
        return Broken(failure, EILSEQ, "Truncated " + name + " data: the archive ends early");
      std::string why;
      const std::size_t before = left;
      const StreamCodec::Result r = codec->Decode(next, left, o, room, why);
      if (r == StreamCodec::Result::Damaged) return Broken(failure, EILSEQ, name + " data damaged: " + why);
      if (r == StreamCodec::Result::Undecodable) {
        if (room == into.size()) return Broken(failure, EILSEQ, name + " data damaged: " + why);
        undecodable = why;
        break;
      }
      if (r == StreamCodec::Result::End) {
        const After following = WhatFollows();
        if (following == After::Stream) {
          if (!codec->Begin()) return Broken(failure, ENOMEM, "cannot start " + name + " decoding");
        } else if (following == After::End) {
          finished = true;
          break;
        } else if (following == After::Damaged) {
          return Broken(failure, EILSEQ, name + " data damaged: a stream after the first has no valid header");
        } else {
          return Broken(failure, errno, "cannot read the archive");
        }
      } else if (left == before && room == into.size()) {
        // Nothing decoded from what is there: the decoder needs more input.
        if (inputEnded) return Broken(failure, EILSEQ, "Truncated " + name + " data: the archive ends early");
        if (!Want(left + 1)) return Broken(failure, errno, "cannot read the archive");
      }
    }
    return static_cast<la_ssize_t>(into.size() - room);
  }

  // Writer side: the next block for libarchive, decoded here or taken
  // from the thread decoding ahead.
  la_ssize_t Read(archive* a, const void** buffer) {
    Failure failure;
    la_ssize_t n;
    if (ahead) {
      n = TakeDecoded(buffer, failure);
    } else {
      n = Decode(out, failure);
      *buffer = out.data();
      shown = consumed;
    }
    if (n < 0) archive_set_error(a, failure.err, "%s", failure.text.c_str());
    return n;
  }

  static la_ssize_t ReadCallback(archive* a, void* self, const void** buffer) {
    return static_cast<Impl*>(self)->Read(a, buffer);
  }
  static int CloseCallback(archive*, void*) { return ARCHIVE_OK; }

  // Decoding ahead, on a thread of its own, while libarchive's caller
  // writes what was decoded before: a single compressed stream leaves no
  // other way to use a second core.
  struct Decoded {
    std::vector<unsigned char> bytes;
    la_ssize_t size = 0;
    Failure failure;
    std::uint64_t consumed = 0;
  };
  bool ahead = false;
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<Decoded> queue;
  std::vector<std::vector<unsigned char>> spare;
  Decoded current;       // handed to libarchive, valid until its next read
  bool stopping = false;  // the reader is going away
  bool over = false;      // the last block (end or failure) was taken
  std::uint64_t shown = 0;  // compressed bytes behind what libarchive got
  std::thread thread;

  void StartAhead() {
    ahead = true;
    thread = std::thread([this] { DecodeAhead(); });
  }

  void StopAhead() {
    if (!ahead) return;
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    changed.notify_all();
    thread.join();
  }

  void DecodeAhead() {
    for (;;) {
      Decoded block;
      {
        std::lock_guard lock(mutex);
        if (!spare.empty()) {
          block.bytes = std::move(spare.back());
          spare.pop_back();
        }
      }
      block.bytes.resize(kOutSize);
      block.size = Decode(block.bytes, block.failure);
      block.consumed = consumed;
      const bool last = block.size <= 0;
      std::unique_lock lock(mutex);
      changed.wait(lock, [&] { return stopping || queue.size() < kBlocksAhead; });
      if (stopping) return;
      queue.push_back(std::move(block));
      changed.notify_all();
      if (last) return;
    }
  }

  la_ssize_t TakeDecoded(const void** buffer, Failure& failure) {
    std::unique_lock lock(mutex);
    if (!current.bytes.empty()) spare.push_back(std::move(current.bytes));
    current.bytes.clear();
    // After the end or a failure nothing more comes: the same is told again.
    if (!over) {
      changed.wait(lock, [&] { return !queue.empty(); });
      current = std::move(queue.front());
      queue.pop_front();
      changed.notify_all();
      over = current.size <= 0;
      shown = current.consumed;
    }
    *buffer = current.bytes.data();
    failure = current.failure;
    return current.size;
  }
};

std::unique_ptr<StreamSource> StreamSource::For(const std::string& file) {
  unsigned char head[kLongestSignature] = {};
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return nullptr;
  const std::size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  for (auto make : {&MakeGzipCodec, &MakeBzip2Codec}) {
    auto codec = make();
    if (n >= codec->signatureSize() && codec->IsStart(head)) return std::make_unique<StreamSource>(std::move(codec));
  }
  return nullptr;
}

StreamSource::StreamSource(std::unique_ptr<StreamCodec> codec) : impl_(std::make_unique<Impl>()) {
  impl_->codec = std::move(codec);
}

StreamSource::~StreamSource() {
  impl_->StopAhead();
  if (impl_->file) std::fclose(impl_->file);
}

int StreamSource::OpenInto(archive* a, const std::string& file) {
  impl_->file = std::fopen(file.c_str(), "rb");
  if (!impl_->file) {
    archive_set_error(a, errno, "cannot open %s", file.c_str());
    return ARCHIVE_FATAL;
  }
  if (!impl_->codec->Begin()) {
    archive_set_error(a, ENOMEM, "cannot start %s decoding", impl_->codec->name());
    return ARCHIVE_FATAL;
  }
  if (WorkerThreads() > 1) impl_->StartAhead();
  return archive_read_open(a, impl_.get(), nullptr, &Impl::ReadCallback, &Impl::CloseCallback);
}

bool StreamSource::Drain(archive* a) {
  const void* buffer;
  for (;;) {
    const la_ssize_t n = impl_->Read(a, &buffer);
    if (n < 0) return false;
    if (n == 0) return true;
  }
}

std::uint64_t StreamSource::compressedBytesRead() const { return impl_->shown; }

}  // namespace ks
