#include "postprocessor/run.hpp"

#include <cmath>

#include "platform/run_error.hpp"
#include "postprocessor/input/console_setup.hpp"
#include "postprocessor/input/dialogue.hpp"
#include "postprocessor/input/discovery.hpp"
#include "postprocessor/input/loading.hpp"
#include "postprocessor/output/stages.hpp"

namespace postprocessor {

namespace {

void setVariableDecimals(VariableTables& variables) {
    for (int& decimals : variables.variableDecimals) decimals = 0;
    variables.variableDecimals[2] = 1;
    variables.variableDecimals[3] = 4;
    variables.variableDecimals[4] = 2;
    variables.variableDecimals[5] = 1;
    variables.variableDecimals[6] = 1;
    variables.variableDecimals[61] = 1;
    variables.variableDecimals[66] = 2;
    variables.variableDecimals[67] = 2;
    variables.variableDecimals[75] = 2;
    variables.variableDecimals[76] = 2;
}

// Natural logarithms of the ten D-fraction diameters, 1/8 decade apart
// from 10^(-2.5/8) to 10^(6.5/8) nm.
void computeLogDiameterGrid(double (&grid)[11]) {
    const double ln10 = std::log(10.0);
    for (int i = 1; i <= 10; ++i) grid[i] = ln10 * ((i - 3.5) / 8.0);
}

}  // namespace

void startRun(PostprocessorRun& run) {
    setUpConsole(run.console, 30, 80, 80, 300, 63);
    run.dateFormat = platform::DateFormat{'-', ':'};
    setVariableDecimals(run.variables);
    computeLogDiameterGrid(run.logDiameterGrid);
    platform::DateTime now = platform::localNow();
    run.console.writeLine(" Date " + platform::formatDateTime("yyyy-mm-dd", now, run.dateFormat) + ",  time " +
                          platform::formatDateTime("hh:nn:ss", now, run.dateFormat));
}

void readInput(PostprocessorRun& run) {
    askForInput(run);
    loadInput(run);
}

void askForInput(PostprocessorRun& run) {
    readCommandLine(run);
    if (run.input.twoFileRegime) run.variables.variableDecimals[61] = 0;
    discoverInput(run);
    runDialogue(run);
}

void loadInput(PostprocessorRun& run) {
    // Allocated once per run (a test may have done it with a smaller limit).
    if (!run.data.lineTimes) run.data.allocate();
    if (!run.grid.values) run.grid.allocate();
    loadTables(run);
    orderByTime(run.data);
    markRegularSpacing(run.data);
}

void processAndWrite(PostprocessorRun& run) {
    const RunParameters& params = run.params;
    correctAndSmooth(run);  // as chosen: outliers, dust pulses, negatives, totally
    averageOntoGrid(run);  // fills single gaps itself when asked to
    if (params.tableKind == 'D')
        writeDiagramTables(run);
    else
        writeNormalOrFractionTable(run);
    finishRun(run.console, "Done");
}

int runPostprocessor(PostprocessorRun& run) {
    try {
        startRun(run);
        readInput(run);
        processAndWrite(run);
    } catch (const platform::RunEnded&) {
    }
    return 0;
}

int runPostprocessor(platform::Console& console, const std::vector<std::string>& args) {
    PostprocessorRun run(console, args);
    return runPostprocessor(run);
}

}  // namespace postprocessor
