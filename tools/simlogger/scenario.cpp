#include "tools/simlogger/scenario.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

// Splits one line into words; a quoted text becomes one word with its escapes
// resolved, marked so that it is never taken for a keyword.
struct Word {
    std::string text;
    bool quoted = false;
};

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool ReadQuoted(const std::string& line, std::size_t& pos, std::string& out, std::string& problem)
{
    ++pos; // opening quote
    while (pos < line.size()) {
        const char c = line[pos++];
        if (c == '"')
            return true;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (pos >= line.size())
            break;
        const char e = line[pos++];
        switch (e) {
        case '0': out += '\0'; break;
        case 'r': out += '\r'; break;
        case 'n': out += '\n'; break;
        case 't': out += '\t'; break;
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'x': {
            const int high = pos < line.size() ? HexValue(line[pos]) : -1;
            const int low = pos + 1 < line.size() ? HexValue(line[pos + 1]) : -1;
            if (high < 0 || low < 0) {
                problem = "\\x needs two hex digits";
                return false;
            }
            out += static_cast<char>(high * 16 + low);
            pos += 2;
            break;
        }
        default:
            problem = std::string("unknown escape \\") + e;
            return false;
        }
    }
    problem = "unterminated text";
    return false;
}

bool SplitWords(const std::string& line, std::vector<Word>& words, std::string& problem)
{
    std::size_t pos = 0;
    while (pos < line.size()) {
        const char c = line[pos];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++pos;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            Word word{.text = {}, .quoted = true};
            if (!ReadQuoted(line, pos, word.text, problem))
                return false;
            words.push_back(std::move(word));
        } else {
            Word word;
            while (pos < line.size() && !std::isspace(static_cast<unsigned char>(line[pos])))
                word.text += line[pos++];
            words.push_back(std::move(word));
        }
    }
    return true;
}

bool ParseInteger(const Word& word, long low, long high, std::int32_t& out)
{
    if (word.quoted || word.text.empty())
        return false;
    char* end = nullptr;
    const long value = std::strtol(word.text.c_str(), &end, 10);
    if (*end != '\0' || value < low || value > high)
        return false;
    out = static_cast<std::int32_t>(value);
    return true;
}

bool ParseNumber(const Word& word, double& out)
{
    if (word.quoted || word.text.empty())
        return false;
    char* end = nullptr;
    out = std::strtod(word.text.c_str(), &end);
    return *end == '\0';
}

// A command is one byte, written bare (M) or as a text ("+", "\x44").
bool ParseCommand(const Word& word, char& out)
{
    if (word.text.size() != 1)
        return false;
    out = word.text[0];
    return true;
}

bool ParseReplyItem(const Word& word, ReplyItem& item)
{
    if (word.quoted) {
        item = ReplyItem{.kind = ReplyKind::Text, .text = word.text};
        return true;
    }
    if (word.text == "temperature")
        item = ReplyItem{.kind = ReplyKind::Temperature, .text = {}};
    else if (word.text == "memory")
        item = ReplyItem{.kind = ReplyKind::Memory, .text = {}};
    else if (word.text == "interval")
        item = ReplyItem{.kind = ReplyKind::Interval, .text = {}};
    else
        return false;
    return true;
}

constexpr long MaxMilliseconds = 3600L * 1000;
constexpr long MaxReadings = 100000;

// Applies one directive; returns an empty text on success, else the problem.
std::string ApplyDirective(const std::vector<Word>& words, Scenario& scenario)
{
    const std::string& keyword = words[0].text;
    const std::size_t arguments = words.size() - 1;
    char command = 0;

    if (keyword == "pacing") {
        if (arguments != 1)
            return "pacing takes one word";
        if (words[1].text == "burst")
            scenario.pacing = Pacing::Burst;
        else if (words[1].text == "line-rate")
            scenario.pacing = Pacing::LineRate;
        else
            return "pacing is burst or line-rate";
        return {};
    }
    if (keyword == "reply" || keyword == "silent" || keyword == "delay" || keyword == "split") {
        if (arguments < 1 || !ParseCommand(words[1], command))
            return keyword + " needs a one-byte command";
        CommandBehaviour& behaviour = scenario.commands[command];
        if (keyword == "silent") {
            if (arguments != 1)
                return "silent takes only the command";
            behaviour.replies.clear();
            return {};
        }
        if (keyword == "delay") {
            if ((arguments != 2 && arguments != 3) ||
                !ParseInteger(words[2], 0, MaxMilliseconds, behaviour.delayMilliseconds) ||
                (arguments == 3 && !ParseInteger(words[3], 1, MaxReadings, behaviour.delayedAnswers)))
                return "delay needs a command, milliseconds and perhaps a count of answers";
            return {};
        }
        if (keyword == "split") {
            if (arguments != 3 || !ParseInteger(words[2], 1, MaxMilliseconds, behaviour.splitAfterBytes) ||
                !ParseInteger(words[3], 0, MaxMilliseconds, behaviour.splitPauseMilliseconds))
                return "split needs a command, a count of bytes and milliseconds";
            return {};
        }
        if (arguments < 2)
            return "reply needs a command and at least one item";
        behaviour.replies.clear();
        for (std::size_t i = 2; i < words.size(); ++i) {
            ReplyItem item;
            if (!ParseReplyItem(words[i], item))
                return "a reply item is a \"text\", temperature, memory or interval";
            behaviour.replies.push_back(item);
        }
        return {};
    }
    if (keyword == "temperature") {
        if (arguments != 2 || !ParseNumber(words[1], scenario.temperatureStart) ||
            !ParseNumber(words[2], scenario.temperatureStep))
            return "temperature needs a start and a step";
        return {};
    }
    if (keyword == "memory") {
        if (arguments != 1 || !ParseInteger(words[1], 0, MaxReadings, scenario.memoryCount))
            return "memory needs a count";
        return {};
    }
    if (keyword == "interval") {
        if (arguments != 1 || !ParseInteger(words[1], 1, 3, scenario.intervalCode))
            return "interval is 1, 2 or 3";
        return {};
    }
    if (keyword == "chunk") {
        DumpChunk chunk;
        if (arguments != 2 || !ParseInteger(words[1], 0, MaxMilliseconds, chunk.pauseMilliseconds) ||
            !words[2].quoted)
            return "chunk needs a pause and a \"text\"";
        chunk.bytes = words[2].text;
        scenario.dump.push_back(std::move(chunk));
        return {};
    }
    if (keyword == "readings") {
        DumpChunk chunk;
        std::int32_t count = 0;
        if (arguments != 2 || !ParseInteger(words[1], 0, MaxMilliseconds, chunk.pauseMilliseconds) ||
            !ParseInteger(words[2], 0, MaxReadings, count))
            return "readings needs a pause and a count";
        chunk.bytes = StoredReadings(count);
        scenario.dump.push_back(std::move(chunk));
        return {};
    }
    if (keyword == "flood") {
        if (arguments != 2 || !ParseCommand(words[1], command) || !words[2].quoted || words[2].text.empty())
            return "flood needs a one-byte command and a \"text\" that is not empty";
        scenario.floodCommand = command;
        scenario.floodText = words[2].text;
        return {};
    }
    if (keyword == "hangup") {
        if (arguments != 0)
            return "hangup takes nothing";
        scenario.hangUpAfterDump = true;
        return {};
    }
    return "unknown directive " + keyword;
}

} // namespace

std::optional<Scenario> ParseScenario(const std::string& text, ScenarioError& error)
{
    Scenario scenario;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::vector<Word> words;
        std::string problem;
        if (SplitWords(line, words, problem) && !words.empty())
            problem = ApplyDirective(words, scenario);
        if (!problem.empty()) {
            error = ScenarioError{.line = number, .message = problem};
            return std::nullopt;
        }
    }
    return scenario;
}

std::string StoredReadings(std::int32_t count)
{
    // A slow day in a heated room: a gentle sine-like swing built from
    // integers, so every run gives the same text.
    std::string text;
    int tenths = 205;
    int direction = 1;
    for (std::int32_t i = 1; i <= count; ++i) {
        char line[32];
        std::snprintf(line, sizeof line, "%04d %+d.%d\r\n", static_cast<int>(i), tenths / 10, tenths % 10);
        text += line;
        if (i % 7 == 0)
            direction = tenths > 225 ? -1 : (tenths < 185 ? 1 : direction);
        tenths += direction * ((i % 3) == 0 ? 1 : 0);
    }
    return text;
}

const std::string& DefaultScenarioText()
{
    static const std::string text = R"(# The default logger: a room thermometer with 300 stored readings.
pacing line-rate
temperature 21.5 0.2
memory 300
interval 1
reply M memory
reply T temperature
reply L interval
reply + interval
silent W
reply F "Memory cleared\r\n"
delay D 50
readings 0 300
chunk 0 "\0"
)";
    return text;
}
