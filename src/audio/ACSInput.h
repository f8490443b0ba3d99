#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

namespace corvane {

class TACSInput;

// Anything that reads from a source and must forget it when the source goes away.
class TACSInputUser {
 public:
  virtual void InputRemoved(TACSInput* Removed) = 0;

 protected:
  ~TACSInputUser() = default;
};

// An audio source. It delivers PCM laid out as the data chunk of a WAV file: interleaved
// frames, little-endian samples, 8-bit samples unsigned, wider ones signed.
class TACSInput {
 public:
  TACSInput() = default;
  TACSInput(const TACSInput&) = delete;
  TACSInput& operator=(const TACSInput&) = delete;
  virtual ~TACSInput();

  virtual int BitsPerSample() = 0;
  virtual int Channels() = 0;
  virtual int SampleRate() = 0;
  // Length in whole seconds.
  virtual int64_t TotalTime();
  // Copies up to BufferSize bytes into Dest and returns how many; 0 ends the read pass's data.
  virtual int64_t ReadData(uint8_t* Dest, int64_t BufferSize) = 0;
  virtual void ForceFinish();
  virtual void BeginRead() = 0;
  virtual void EndRead() = 0;

  // Bytes delivered since BeginRead.
  int64_t Position() const { return FPosition.load(std::memory_order_relaxed); }
  // Bytes the current read pass will deliver; -1 when unknown.
  int64_t Size() const { return FSize.load(std::memory_order_relaxed); }
  bool Busy() const { return FBusy.load(std::memory_order_relaxed); }

  void AddUser(TACSInputUser* User);
  void RemoveUser(TACSInputUser* User);
  // Whether anything reads from the source and would be told when it goes.
  bool HasUsers() const { return !FUsers.empty(); }

 protected:
  // Tells every user that the source is going away, waiting out a read in progress. A source
  // whose reads use members of its own calls it first in its destructor.
  void DetachUsers();

  // Written by the reading thread, read by Progress on the user-interface thread.
  std::atomic<int64_t> FPosition{0};
  std::atomic<int64_t> FSize{-1};
  std::atomic<bool> FBusy{false};
  // 1-based window into a concrete source's own buffer: next unread byte and last valid byte.
  int64_t BufStart = 1;
  int64_t BufEnd = 0;

 private:
  std::vector<TACSInputUser*> FUsers;
};

}  // namespace corvane
