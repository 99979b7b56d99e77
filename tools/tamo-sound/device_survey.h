// devices: the survey of HID interfaces, as text and as JSON.
#pragma once

#include "exit_status.h"
#include "inspect/device_survey.h"
#include "json.h"

#include <string>
#include <vector>

namespace tamo::tool {

using inspect::DeviceSurvey;

ExitStatus exitStatusOf(const DeviceSurvey& survey);
std::vector<std::string> describeDeviceSurvey(const DeviceSurvey& survey);
Json deviceSurveyJson(const DeviceSurvey& survey);

}  // namespace tamo::tool
