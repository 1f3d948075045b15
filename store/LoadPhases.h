// The phases of a whole store load, timed for the benchmarks (the start-up
// bench's "load:" line, store_bench). Off unless a benchmark turns it on:
// the program and the tests never do, and then a load only tests one flag
// at each place below. On, a load reads the clock at each phase it enters
// and leaves: a few times per record and per 64 KB read, which adds about
// ten nanoseconds a reading, 2 to 3 ms to a load of 100,000 records.
//
// A whole load reads the file once, front to back, on a second thread into
// one buffer (the pictures' bytes stay there); each record's kind and body
// are parsed from those bytes behind it, its digest fed with the same
// bytes. The phases split the parsing thread's time by what it went to;
// what the reading thread takes shows only where the parser waited for it.
// Process-wide, for loads on one thread at a time; a load for a merge is
// not noted.
#pragma once

#include <cstdint>
#include <string>

namespace quillet {

struct StoreLoadPhases {
  int64_t openNs = 0;            // lock and open the file, its stamp
  int64_t bufferReadNs = 0;      // waiting for the reading thread (without one: the reads, the kernel's copy)
  int64_t pictureReadNs = 0;     // picture bytes read straight into the buffer (loads not streamed)
  int64_t pictureMemoryNs = 0;   // the buffer made and trimmed (its pages come in as the reads fill it)
  int64_t pictureDigestNs = 0;   // the digest of picture bytes
  int64_t insertNs = 0;          // records put into their positions, what the file was noted
  int64_t recordsNs = 0;         // the rest of the pass: kinds, records made, bodies parsed, their digests
  int64_t closeNs = 0;           // the file closed and looked at again (changed while read?)
  int64_t totalNs = 0;           // the whole load
  int64_t idIndexNs = 0;         // the id index, made at the end of the load (or at the first lookup)
  uint32_t records = 0;
  uint32_t bufferReads = 0;      // waits (or buffer reads)
  uint32_t pictureReads = 0;
};

// Turns the timing on or off (off at the start); returns the previous state.
bool SetStoreLoadTiming(bool on);
bool StoreLoadTiming();
// The phases of the last whole load timed (zeros when none was).
StoreLoadPhases LastStoreLoadPhases();
// The phases of the first whole load timed since the timing was last turned
// on: at start-up the user's store, not the day's backup compared after it.
StoreLoadPhases FirstStoreLoadPhases();
// "open 0.1 ms, reads waited for 0.8 ms, ..." in the order of the fields.
std::string StoreLoadPhasesLine(const StoreLoadPhases& phases);

namespace load_timing {
// For the store's own files.
extern bool g_on;
extern StoreLoadPhases g_now;  // the load being timed
int64_t NowNs();
void Begin();    // a whole load starts: g_now cleared
void Publish();  // it ended: g_now becomes the last load's phases
void NoteIdIndex(int64_t ns);
// Adds the time from its making to its end to `field` when timing is on.
class Span {
 public:
  explicit Span(int64_t StoreLoadPhases::*field) : field_(g_on ? field : nullptr), start_(field_ ? NowNs() : 0) {}
  ~Span() {
    if (field_) g_now.*field_ += NowNs() - start_;
  }
  Span(const Span&) = delete;
  Span& operator=(const Span&) = delete;

 private:
  int64_t StoreLoadPhases::*field_;
  int64_t start_;
};
}  // namespace load_timing

}  // namespace quillet
