// The processing stages after loading: corrections, smoothing, averaging
// onto the output grid, and the output tables.
#pragma once

namespace postprocessor {

struct PostprocessorRun;

void correctOutliers(PostprocessorRun& run);
void suppressDustPulses(PostprocessorRun& run);
void smoothNegatives(PostprocessorRun& run);
void smoothTotally(PostprocessorRun& run);
// The four above as the run chose them (each with its report), in one sweep
// over the data lines: the same values as calling them one after another.
void correctAndSmooth(PostprocessorRun& run);
// Averages the data lines onto the grid; fills single gaps at its end when
// the user asked for it.
void averageOntoGrid(PostprocessorRun& run);
void fillGaps(PostprocessorRun& run);
void writeNormalOrFractionTable(PostprocessorRun& run);
void writeDiagramTables(PostprocessorRun& run);

}  // namespace postprocessor
