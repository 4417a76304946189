#pragma once
// A batch export spread over many processes or machines (a job array, GNU parallel): each
// process exports one file of the batch into a part file, and the merge joins the parts into
// the very report that a one-file batch export of all the files writes itself.
//
// A part file is text. Its first line is
//   "KELP batch part" TAB N "/" COUNT TAB opened TAB exported TAB column TAB results TAB lines
// (N: the file's number in the batch, 1-based; opened, exported: 0 or 1; column: the index of
// the column header among the report lines, -1 for none; results, lines: how many lines follow
// of each kind). Then come the lines the file left on the Results page, its lines in the
// report, and, when it opened, its line of the closing file list.
#include <string>
#include <vector>

#include "export/batch_export.h"

namespace kelp {

class Program;
class Host;

inline constexpr const char* BatchPartMagic = "KELP batch part";

// Exports file `number` of a batch of `count` files into the part file `partName`, as the
// one-file batch export would, under the page's settings. False when the part could not be
// written; `exported` tells whether the file's table is in it.
bool WriteBatchPart(Program& program, Host& host, const std::string& file, int number, int count,
                    const std::string& partName, bool& exported);

// Joins the part files (in any order) into the report `reportName` and leaves on the Results
// page what the one-file batch export leaves there. Nothing is written when a part is missing,
// duplicated or unreadable, or when the parts were made with different settings.
BatchRunResult MergeBatchParts(Host& host, const std::vector<std::string>& parts,
                               const std::string& reportName);

} // namespace kelp
