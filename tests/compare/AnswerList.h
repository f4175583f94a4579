// The list of reads that measures the emulator against another WMI: each step (a query, a
// GetObject by path, or a class's definition) runs through the bridge's exports, and every answer
// becomes one line "KEY = ANSWER", so that the answers of two WMIs compare line by line.
#pragma once

#include <string>
#include <vector>

#include "Scenario.h"

namespace scenario {

// One step of a list file: `query NAMESPACE WQL`, `get NAMESPACE PATH` or
// `class NAMESPACE CLASS [METHOD...]`; `{pid}` in the rest of the line stands for a process id.
struct Step {
    std::string verb;
    std::u16string nameSpace;
    std::u16string rest;
};

// The steps of a list file's text (blank lines and lines starting with '#' are skipped), with
// `{pid}` replaced; false with the line's number in `error` for a line that is not a step.
bool ParseSteps(const std::string& text, unsigned long pid, std::vector<Step>& steps, std::string& error);

// Runs the steps and returns their answers, one line each, in the order of the steps.
std::vector<std::string> Answers(Context& context, const std::vector<Step>& steps);

// The part of an answer line before " = ": the step and what was read.
std::string KeyOf(const std::string& line);

}  // namespace scenario
