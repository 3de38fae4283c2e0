// The fault rules of a running host: which paths misbehave, and how.
#pragma once

#include "albumhost.h"

#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace albumhost {

// "fail", "drop", "cut", "not-found", "hang", "delay", "declare": the names of the
// command-line flags and of the faults file.
std::optional<Fault> faultNamed(std::string_view name);
const char* faultName(Fault fault);

// One line of a faults file: "ACTION PATH [VALUE]"; delay takes milliseconds, declare the
// pnum text (the rest of the line). Empty lines and lines starting with "#" give nothing
// and no error.
std::optional<FaultRule> parseFaultLine(std::string_view line, std::string& error);
bool readFaultsFile(const std::string& file, std::vector<FaultRule>& rules, std::string& error);

// The path a request or a rule names, as compared: percent-decoded, query dropped, empty
// segments and a trailing slash removed.
std::string normalPath(std::string_view target);

class FaultRules {
public:
    void add(const FaultRule& rule);
    void clear();

    struct Found {
        std::optional<Fault> fault; // the first rule that matches, delays and counts aside
        int delayMs = 0;            // the delays of every matching rule, added up
    };
    // paths: the forms under which the request is known (as sent, and as our pages write it).
    Found match(const std::vector<std::string>& paths) const;
    // The declared count (GBK) of the album known under these paths, if a rule sets one.
    std::optional<std::string> declared(const std::vector<std::string>& paths) const;

private:
    struct Rule {
        std::vector<std::string> forms; // decoded bytes as given, and GBK of UTF-8
        bool prefix = false;
        Fault fault = Fault::serverError;
        int delayMs = 0;
        std::string text; // GBK
    };
    static bool matches(const Rule& rule, const std::vector<std::string>& paths);

    mutable std::mutex mutex_;
    std::vector<Rule> rules_;
};

} // namespace albumhost
