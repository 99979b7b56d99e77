// check-config: the configuration report, as text and as JSON.
#pragma once

#include "exit_status.h"
#include "inspect/config_report.h"
#include "json.h"

#include <string>
#include <vector>

namespace tamo::tool {

using inspect::ConfigReport;

ExitStatus exitStatusOf(const ConfigReport& report);
// One line: what the library will do with the file.
std::string summaryOf(const ConfigReport& report);
std::vector<std::string> describeConfigReport(const ConfigReport& report);
Json configReportJson(const ConfigReport& report);

}  // namespace tamo::tool
