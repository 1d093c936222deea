// Arbitrary bytes into the journal's line reader, as a journal damaged,
// cut short or written by someone else would give it: it never reads past
// its input, and whatever it takes for a send is written back as a line it
// reads again as the same send, a line with no line end and every field in
// its place.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "transmit/journal_line.h"

using namespace corvella;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  SendReport first;
  if (!ParseJournalLine(input, &first)) return 0;
  if (!first.Ended()) std::abort();
  const std::string line = JournalLine(first);
  if (line.find('\n') != std::string::npos || line.find('\r') != std::string::npos) std::abort();
  std::size_t tabs = 0;
  for (char c : line) tabs += c == '\t';
  if (tabs != 11) std::abort();
  SendReport second;
  if (!ParseJournalLine(line, &second)) std::abort();
  if (second.send != first.send || second.request != first.request ||
      second.status != first.status || second.state != first.state ||
      second.requested != first.requested || second.ended != first.ended ||
      second.list != first.list || second.description != first.description ||
      second.sign != first.sign || second.teamPlayer != first.teamPlayer ||
      second.destination != first.destination || second.outcome != first.outcome)
    std::abort();
  return 0;
}
