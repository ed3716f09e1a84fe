// How the fake portal behaves, and its command line both ways: the test's
// handle writes it, the fake's program reads it.
#pragma once

#include <set>
#include <string>
#include <vector>

namespace nuko::test {

struct FakePortalBehaviour {
    unsigned version = 1;           // 0: the portal lacks GlobalShortcuts
    bool answer_get = true;         // false: the version read never returns
    bool answer_bind = true;        // false: BindShortcuts never returns
    bool response_first = false;    // the Response signal before the call's reply
    unsigned bind_response = 0;     // 1: the user cancelled
    std::set<std::string> refused;  // ids left out of the bound set

    std::vector<std::string> Args() const {
        std::vector<std::string> a = {"--version=" + std::to_string(version),
                                      "--bind-response=" + std::to_string(bind_response)};
        if (!answer_get) a.push_back("--silent-get");
        if (!answer_bind) a.push_back("--silent-bind");
        if (response_first) a.push_back("--response-first");
        for (const std::string& id : refused) a.push_back("--refuse=" + id);
        return a;
    }

    // False for an argument that is not one of Args()'s.
    bool Parse(const std::string& a) {
        const std::string value = a.substr(a.find('=') + 1);
        if (a.rfind("--version=", 0) == 0) version = static_cast<unsigned>(std::stoul(value));
        else if (a == "--silent-get") answer_get = false;
        else if (a == "--silent-bind") answer_bind = false;
        else if (a == "--response-first") response_first = true;
        else if (a.rfind("--bind-response=", 0) == 0) bind_response = static_cast<unsigned>(std::stoul(value));
        else if (a.rfind("--refuse=", 0) == 0) refused.insert(value);
        else return false;
        return true;
    }
};

}  // namespace nuko::test
