// Raw instrument files: finding them in a folder, their reading order,
// reading their records into the RawStore, and the instrument parameters of
// their second header line.
#pragma once

#include <string>
#include <string_view>

#include "converter/input/raw_store.hpp"
#include "converter/input/settings.hpp"
#include "platform/console.hpp"

namespace converter {

// Fills `files` with folder + separator + name of every raw file ("_KVA*.*",
// any letter case) of `folder`; more than 250 interrupts the run.
void scanRawFolder(platform::Console& console, const std::string& folder, RawFiles& files);

// Ascending order by character code (repeated passes of neighbour swaps).
void sortRawFiles(RawFiles& files);

// Reads every raw file in order into the store (one "." per file on the
// current console line, which it ends), with the header dialogue. The files
// are parsed side by side on the usable cores; the console hears of them
// afterwards, in file order, as if they had been read one after the other.
void readAllRawFiles(platform::Console& console, const RawFiles& files, RawStore& store);

// Reads one raw file behind the records the store holds (`buffer` is reused
// between files); `first` tells whether its header lines start the run's
// header.
void readRawFile(platform::Console& console, const std::string& entry, bool first, RawStore& store,
                 std::string& buffer);

// The header lines of a later file differ from the run's: asks whether to
// abort (ends the run silently) or to take this file's lines.
void headerConflictDialogue(platform::Console& console, const std::string& entry, std::string_view line1,
                            std::string_view line2, RawStore& store);

// Value of one field of header line 2: surrounding blanks ignored, the
// longest leading part that is a real number, 0 when there is none.
double headerFieldValue(std::string_view field);

// Fields 4..7 of header line 2 into headerParam4..7, fields 21..25 into the
// five resolution coefficients; a missing field leaves its target alone.
void parseHeaderLine2(RawStore& store, ConverterSettings& settings);

// Keeps fields 1..20 of header line 2 (padding a shorter line with empty
// fields) and appends the five resolution coefficients in force with three
// decimals as fields 21..25.
void rewriteHeaderLine2(std::string& headerLine2, const ConverterSettings& settings);

}  // namespace converter
