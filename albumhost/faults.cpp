#include "faults.h"

#include "hostpath.h"

#include "core/text.h"

#include <charconv>
#include <fstream>

namespace albumhost {

namespace {

struct NamedFault {
    const char* name;
    Fault fault;
};
constexpr NamedFault namedFaults[] = {
    {"fail", Fault::serverError},      {"drop", Fault::drop}, {"cut", Fault::cutOff},
    {"not-found", Fault::notFound},    {"hang", Fault::hang}, {"delay", Fault::delay},
    {"declare", Fault::declaredCount},
};

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::string_view nextWord(std::string_view& s) {
    s = trimmed(s);
    std::size_t end = s.find_first_of(" \t");
    std::string_view word = s.substr(0, end);
    s = end == std::string_view::npos ? std::string_view() : s.substr(end);
    return word;
}

std::string toGbk(const std::string& text) {
    return isUtf8(text) ? pv::utf8ToGbk(text) : text;
}

} // namespace

std::optional<Fault> faultNamed(std::string_view name) {
    for (const auto& named : namedFaults) {
        if (name == named.name)
            return named.fault;
    }
    return std::nullopt;
}

const char* faultName(Fault fault) {
    for (const auto& named : namedFaults) {
        if (fault == named.fault)
            return named.name;
    }
    return "?";
}

std::optional<FaultRule> parseFaultLine(std::string_view line, std::string& error) {
    std::string_view rest = trimmed(line);
    if (rest.empty() || rest.front() == '#')
        return std::nullopt;
    std::string_view action = nextWord(rest);
    std::string_view path = nextWord(rest);
    std::string_view value = trimmed(rest);
    auto fault = faultNamed(action);
    if (!fault) {
        error = "unknown action \"" + std::string(action) + "\"";
        return std::nullopt;
    }
    if (path.empty() || path.front() != '/') {
        error = "\"" + std::string(action) + "\" wants a path starting with /";
        return std::nullopt;
    }
    FaultRule rule{std::string(path), *fault, 0, {}};
    if (*fault == Fault::delay) {
        auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), rule.delayMs);
        if (ec != std::errc() || end != value.data() + value.size() || rule.delayMs < 0) {
            error = "delay wants milliseconds after the path";
            return std::nullopt;
        }
    } else if (*fault == Fault::declaredCount) {
        rule.text = std::string(value);
    } else if (!value.empty()) {
        error = "\"" + std::string(action) + "\" takes no value";
        return std::nullopt;
    }
    return rule;
}

bool readFaultsFile(const std::string& file, std::vector<FaultRule>& rules, std::string& error) {
    std::ifstream in(file);
    if (!in) {
        error = "cannot read " + file;
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        std::string lineError;
        auto rule = parseFaultLine(line, lineError);
        if (!lineError.empty()) {
            error = file + ":" + std::to_string(number) + ": " + lineError;
            return false;
        }
        if (rule)
            rules.push_back(*rule);
    }
    return true;
}

std::string normalPath(std::string_view target) {
    std::string_view path = target.substr(0, target.find_first_of("?#"));
    std::string out;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        if (end > start) {
            out.push_back('/');
            out.append(percentDecode(path.substr(start, end - start)));
        }
        start = end + 1;
    }
    return out.empty() ? std::string("/") : out;
}

void FaultRules::add(const FaultRule& given) {
    Rule rule;
    std::string path = given.path;
    if (!path.empty() && path.back() == '*') {
        rule.prefix = true;
        path.pop_back();
    }
    std::string normal = rule.prefix ? percentDecode(path) : normalPath(path);
    rule.forms.push_back(normal);
    std::string gbk = toGbk(normal);
    if (gbk != normal)
        rule.forms.push_back(gbk);
    rule.fault = given.fault;
    rule.delayMs = given.delayMs;
    rule.text = toGbk(given.text);
    std::lock_guard lock(mutex_);
    rules_.push_back(std::move(rule));
}

void FaultRules::clear() {
    std::lock_guard lock(mutex_);
    rules_.clear();
}

bool FaultRules::matches(const Rule& rule, const std::vector<std::string>& paths) {
    for (const std::string& form : rule.forms) {
        for (const std::string& path : paths) {
            if (rule.prefix ? path.compare(0, form.size(), form) == 0 : path == form)
                return true;
        }
    }
    return false;
}

FaultRules::Found FaultRules::match(const std::vector<std::string>& paths) const {
    Found found;
    std::lock_guard lock(mutex_);
    for (const Rule& rule : rules_) {
        if (rule.fault == Fault::declaredCount || !matches(rule, paths))
            continue;
        if (rule.fault == Fault::delay)
            found.delayMs += rule.delayMs;
        else if (!found.fault)
            found.fault = rule.fault;
    }
    return found;
}

std::optional<std::string> FaultRules::declared(const std::vector<std::string>& paths) const {
    std::lock_guard lock(mutex_);
    for (const Rule& rule : rules_) {
        if (rule.fault == Fault::declaredCount && matches(rule, paths))
            return rule.text;
    }
    return std::nullopt;
}

} // namespace albumhost
