// Running tagshelf-cli's command line in-process, with its output kept.
#pragma once

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"

namespace tagshelf::test {

struct CliOutcome {
    int status = -1;
    std::string out;
    std::string err;
    // The lines of stdout, each parsed as JSON (keys in their printed order).
    std::vector<nlohmann::ordered_json> lines() const {
        std::vector<nlohmann::ordered_json> v;
        std::istringstream in(out);
        for (std::string l; std::getline(in, l);)
            v.push_back(nlohmann::ordered_json::parse(l));
        return v;
    }
};

// Runs `tagshelf-cli ARGS...`.
inline CliOutcome runCli(const std::vector<std::string>& args) {
    std::vector<std::string_view> views(args.begin(), args.end());
    std::ostringstream out, err;
    CliOutcome o;
    o.status = cli::run(views, out, err);
    o.out = out.str();
    o.err = err.str();
    return o;
}

}  // namespace tagshelf::test
