#pragma once

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include <QByteArray>

#include "platform/os/system_call_hook.h"

namespace testsupport {

// Fails or races the real writes at system-call level. A rule counts, from the moment it is made, the
// calls of its kind whose path ends in its text, or holds it when the text begins with '*' (every call
// for an empty text): the N-th of them (0 the next one) fails with an errno value, or has an action run
// just before it (another program at work at that moment); lack() fails every one (a file system
// without that call).
class SystemCallFaults final : public platform::SystemCallHook {
public:
    using Call = platform::SystemCall;
    void fail(Call call, int nth, int error, const QByteArray& at = {}) { rules_.push_back({call, at, nth, error}); }
    void lack(Call call, int error, const QByteArray& path = {}) { rules_.push_back({call, path, -1, error}); }
    void actBefore(Call call, int nth, std::function<void()> action, const QByteArray& path = {})
    {
        rules_.push_back({call, path, nth, 0, std::move(action)});
    }
    int count(Call call) const { return counts_.count(call) != 0 ? counts_.at(call) : 0; }

    int before(Call call, const QByteArray& path) override
    {
        ++counts_[call];
        int error = 0;
        // By index, and only the rules made before this call: an action may add rules for later ones.
        for (std::size_t i = 0, made = rules_.size(); i < made; ++i) {
            Rule& rule = rules_[i];
            const bool anywhere = rule.path.startsWith('*');
            if (rule.call != call || !(anywhere ? path.contains(rule.path.mid(1)) : path.endsWith(rule.path)))
                continue;
            const int index = rule.seen++;
            if (rule.nth == -1 || (rule.nth == index && !rule.action))
                error = rule.error;
            else if (rule.nth == index)
                std::exchange(rule.action, nullptr)();
        }
        return error;
    }

private:
    struct Rule {
        Call call;
        QByteArray path;
        int nth; // -1: every one
        int error;
        std::function<void()> action = nullptr;
        int seen = 0;
    };
    std::vector<Rule> rules_;
    std::map<Call, int> counts_;
};

} // namespace testsupport
