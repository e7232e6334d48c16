// The promises about what the programs write, checked after a run: the
// converter's daily table is well formed and loads in the postprocessor; the
// postprocessor's tables hold nothing but numbers where numbers belong; no
// temporary file stays behind.
#pragma once

#include <string>

#include "converter/run.hpp"
#include "postprocessor/run.hpp"

namespace fuzz {

// Tables of full capacity, allocated once for all inputs of a process and
// lent to each run (a run of its own would allocate them again).
struct HeldTables {
    converter::RawStore store;
    converter::CycleTable cycles;
    postprocessor::LoadedData data;
    postprocessor::GridValues grid;
    std::unique_ptr<converter::AirFactors[]> air;
    std::unique_ptr<uint32_t[]> airIndex;

    static HeldTables& get();
    void lendTo(converter::ConverterRun& run);
    void takeBack(converter::ConverterRun& run);
    void lendTo(postprocessor::PostprocessorRun& run);
    void takeBack(postprocessor::PostprocessorRun& run);
};

// No file in the scratch folder still carries a temporary name, and no
// file of the scratch folder is still open (an unnamed output file,
// O_TMPFILE, that was never closed). temporaryFileProblem says what stayed
// ("" when nothing).
void expectNoTemporaryFile();
std::string temporaryFileProblem();

// A whole SVG document: one <svg> element with every tag closed in order,
// attribute values quoted, text without a bare "<" or "&", nothing after
// the end, and no number that is not one (nan, inf, -0). svgProblem says
// what is wrong ("" when nothing).
std::string svgProblem(std::string_view svg);
void expectWholePicture(const std::string& path);

// The daily table the converter run saved as run.outputName (relative to the
// work folder): header lines, numbers with their column's decimals, one line
// per cycle not left out, and, for standard data, every line read back by
// the postprocessor's loader.
void checkDailyTable(const converter::ConverterRun& run);

// The Normal or Fraction table, or the Diagram tables, that the
// postprocessor run has written, if any.
void checkPostprocessorTables(const postprocessor::PostprocessorRun& run);

// The answers of a finished dialogue are within their legal ranges.
void checkRunParameters(const postprocessor::PostprocessorRun& run);
void checkConverterSettings(const converter::ConverterSettings& settings);

}  // namespace fuzz
