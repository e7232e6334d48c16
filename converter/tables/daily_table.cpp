#include "converter/tables/daily_table.hpp"

#include "platform/number_text.hpp"

namespace converter {

void buildColumnTitles(const ConverterSettings& settings, const FractionTables& tables,
                       std::string& headerLine3) {
    std::string titles;
    if (settings.outputstyle == 2) {
        // The raw titles of fields 2..84 stay; the instrument's line holds
        // the titles of fields 0 and 1 in its first 10 characters, and the
        // title of field 85 begins with "over".
        titles = "yymmdd\thhnnss";
        const size_t over = headerLine3.find("over");
        if (over != std::string::npos && over > 10) titles.append(headerLine3, 10, over - 10);
        titles += "ovl&sc\tregime";
    } else {
        titles = "YYMMDD\tHHMM\tDAY\tT:C\tRH:%\tp:mb\tnoise+\tnoise-";
        for (const char* sign : {"\tD+", "\tD-"})
            for (int m = 1; m <= 10; ++m) {
                titles += sign;
                platform::appendFixed(titles, tables.dCentre[m], 3);
            }
        for (const char* sign : {"\tZ+", "\tZ-"})
            for (int a = 0; a < 16; ++a) {
                titles += sign;
                platform::appendFixed(titles, tables.zFraction[a], 3);
            }
        titles +=
            "\tsupply\tfilt+\tfilt-\tbatt+\tbatt-\tbias+\tbias-\tpre%\ttau\tasym\tN+\t"
            "N-\tn+\tn-\tZ+\tZ-\tovl&sc\tregime";
    }
    headerLine3 = std::move(titles);
}

}  // namespace converter
