#pragma once
// Checks of a card's files that convert nothing: the summary of the logging and of the
// settings in DATA0.ORV's header block, a byte dump of any 512-byte block of any file,
// and the record-by-record check of DATA0.ORV for coding errors of the logger.
#include <functional>
#include <string>
#include <vector>

#include "core/host.h"
#include "download/read_sd_page.h"
#include "download/sd_card.h"

namespace kelp {

// The registered gain of a logger number: 0 when it has none, -1 when the number is outside
// the table of registered loggers.
using RegisteredGain = std::function<int(int loggerNumber)>;

// The registered gains built into the program.
RegisteredGain BuiltInRegisteredGain();

// The summary text of a header block, line by line.
std::vector<std::string> SummaryText(const SDHeaderBlock& block, const RegisteredGain& gainOf);

// "Show summary from file DATA0.ORV ": the lines go to the data summary list.
void ShowSummaryBtnClick(Host& host, ReadSDPage& page,
                         const RegisteredGain& gainOf = BuiltInRegisteredGain());

// "Show block": the block number comes from the page's box; lines go to the data summary list.
void ShowBlockBtnClick(Host& host, ReadSDPage& page);

// "verify DATA0": the results go to the Results page.
void ReadDATAfileForCodeErrors(Host& host, ReadSDPage& page);

} // namespace kelp
