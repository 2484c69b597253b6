#include "sim/HayesModem.h"

#include <algorithm>
#include <cctype>

namespace quillet::sim {

namespace {

std::string upper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return out;
}

// Digits and the characters a dial string may hold.
std::string dialledNumber(std::string_view rest) {
    std::string number;
    for (char c : rest) {
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '*' || c == '#') {
            number += c;
        }
    }
    return number;
}

}  // namespace

HayesModem::HayesModem(ModemOptions options) : options_(std::move(options)), echo_(options_.echo) {
    if (options_.dialOutcomes.empty()) {
        options_.dialOutcomes.push_back(DialOutcome::Connect);
    }
}

std::string HayesModem::answer(std::string_view text) const {
    return "\r\n" + std::string(text) + "\r\n";
}

HayesModem::Output HayesModem::receive(std::string_view bytes, Clock::time_point at) {
    Output out;
    checkEscape(at);
    if (inDataMode()) {
        for (char c : bytes) {
            // "+++" counts only after a guard of silence and with nothing between.
            const bool guarded = at - lastDataAt_ >= options_.guardTime;
            if (c == '+' && (plusCount_ > 0 || guarded) && plusCount_ < 3) {
                ++plusCount_;
                if (plusCount_ == 3) {
                    escapeConfirmAt_ = at + options_.guardTime;
                }
                continue;
            }
            // Not an escape after all: the pluses were data.
            out.toLine.append(static_cast<std::size_t>(plusCount_), '+');
            plusCount_ = 0;
            escapeConfirmAt_.reset();
            out.toLine += c;
            lastDataAt_ = at;
        }
        if (plusCount_ == 0) {
            lastDataAt_ = at;
        }
        return out;
    }
    for (char c : bytes) {
        if (echo_) {
            out.toPort += c;
        }
        if (c == '\r') {
            out.toPort += runCommandLine(commandLine_, at);
            commandLine_.clear();
        } else if (c != '\n' && commandLine_.size() < 256) {
            commandLine_ += c;
        }
    }
    return out;
}

std::string HayesModem::runCommandLine(std::string_view line, Clock::time_point at) {
    const std::string command = upper(line);
    if (command.empty()) {
        return {};
    }
    if (command.rfind("AT", 0) != 0) {
        return answer("ERROR");
    }
    if (dialEnds_) {
        return {};  // busy dialling: a key press would abort; ignored here
    }
    for (std::size_t i = 2; i < command.size();) {
        const char c = command[i++];
        switch (c) {
            case '&':  // extended settings: a letter and digits
                if (i < command.size()) {
                    ++i;
                }
                break;
            case 'E':
                echo_ = i < command.size() && command[i] == '1';
                break;
            case 'H':
                connected_ = false;
                online_ = false;
                break;
            case 'Z':
                echo_ = options_.echo;
                break;
            case 'O':
                if (!connected_) {
                    return answer("NO CARRIER");
                }
                online_ = true;
                return answer("CONNECT " + std::to_string(options_.connectBaud));
            case 'D': {
                const std::string number = dialledNumber(command.substr(i));
                DialOutcome outcome = options_.dialOutcomes.front();
                if (options_.dialOutcomes.size() > 1) {
                    options_.dialOutcomes.pop_front();
                }
                if (!options_.number.empty() && number != options_.number &&
                    outcome == DialOutcome::Connect) {
                    outcome = DialOutcome::NoAnswer;
                }
                dialOutcome_ = outcome;
                dialEnds_ = at + (outcome == DialOutcome::NoDialTone ? options_.dialTime / 3
                                                                     : options_.dialTime);
                return {};
            }
            default:
                break;  // other settings are accepted as they are
        }
        // Skip the setting's digits.
        while (i < command.size() && std::isdigit(static_cast<unsigned char>(command[i]))) {
            ++i;
        }
    }
    return answer("OK");
}

void HayesModem::checkEscape(Clock::time_point now) {
    if (escapeConfirmAt_ && now >= *escapeConfirmAt_) {
        online_ = false;
        plusCount_ = 0;
        escapeConfirmAt_.reset();
    }
}

std::string HayesModem::takeDue(Clock::time_point now) {
    std::string out;
    if (escapeConfirmAt_ && now >= *escapeConfirmAt_) {
        checkEscape(now);
        out += answer("OK");
    }
    if (dialEnds_ && now >= *dialEnds_) {
        dialEnds_.reset();
        switch (dialOutcome_) {
            case DialOutcome::Connect:
                connected_ = true;
                online_ = true;
                lastDataAt_ = now;
                out += answer("CONNECT " + std::to_string(options_.connectBaud));
                break;
            case DialOutcome::Busy:
                out += answer("BUSY");
                break;
            case DialOutcome::NoDialTone:
                out += answer("NO DIAL TONE");
                break;
            case DialOutcome::NoAnswer:
                out += answer("NO ANSWER");
                break;
        }
    }
    return out;
}

std::optional<HayesModem::Clock::time_point> HayesModem::nextDue() const {
    std::optional<Clock::time_point> next = escapeConfirmAt_;
    if (dialEnds_ && (!next || *dialEnds_ < *next)) {
        next = dialEnds_;
    }
    return next;
}

}  // namespace quillet::sim
