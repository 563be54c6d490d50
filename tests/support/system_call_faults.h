#pragma once

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include <QByteArray>

#include "platform/os/file_system.h"

namespace testsupport {

// Fails or races the real writes at system-call level. A rule counts the calls of its kind whose path
// ends in its text, or holds it anywhere when the text begins with '*' (every call when the text is
// empty), from the moment it is made: the N-th of them (0
// the next one) fails with an errno value or has an action run just before it (another program writing
// at that moment); without N, every one fails (a file system without that call).
class SystemCallFaults final : public platform::SystemCallHook {
public:
    using Call = platform::SystemCall;

    void fail(Call call, int nth, int error, const QByteArray& pathEnd = {})
    {
        rules_.push_back({call, pathEnd, nth, error, {}, 0});
    }
    void lack(Call call, int error, const QByteArray& pathEnd = {})
    {
        rules_.push_back({call, pathEnd, -1, error, {}, 0});
    }
    void actBefore(Call call, int nth, std::function<void()> action, const QByteArray& pathEnd = {})
    {
        rules_.push_back({call, pathEnd, nth, 0, std::move(action), 0});
    }
    // Calls of a kind made so far.
    int count(Call call) const
    {
        const auto it = counts_.find(call);
        return it == counts_.end() ? 0 : it->second;
    }

    int before(Call call, const QByteArray& path) override
    {
        ++counts_[call];
        int error = 0;
        // By index, and only the rules made before this call: an action may add rules for later ones.
        const std::size_t made = rules_.size();
        for (std::size_t i = 0; i < made; ++i) {
            Rule& rule = rules_[i];
            const bool anywhere = rule.pathEnd.startsWith('*');
            if (rule.call != call || !(anywhere ? path.contains(rule.pathEnd.mid(1)) : path.endsWith(rule.pathEnd)))
                continue;
            const int index = rule.seen++;
            if (rule.nth == -1 || (rule.nth == index && !rule.action)) {
                error = rule.error;
            } else if (rule.nth == index) {
                const std::function<void()> action = std::exchange(rule.action, nullptr);
                action();
            }
        }
        return error;
    }

private:
    struct Rule {
        Call call;
        QByteArray pathEnd;
        int nth; // -1: every one
        int error;
        std::function<void()> action;
        int seen;
    };
    std::vector<Rule> rules_;
    std::map<Call, int> counts_;
};

} // namespace testsupport
