// setup: the sysop's configuration editor. For now it loads (and so creates, with defaults) the
// configuration files of the game directory: setup.dat, maint.dat and, given a node number, that
// node's vorn<n>.dat.
#include <cstdio>
#include <string>

#include "common/config_files.hpp"

int main(int argc, char** argv) {
    vorn::GameSettings settings;
    vorn::MaintSettings maint;
    bool ok = vorn::LoadGameSettingsWithDefaults("setup.dat", settings);
    ok = vorn::LoadMaintSettingsWithDefaults("maint.dat", maint) && ok;
    if (argc > 1) {
        const std::string arg = argv[1];
        if (arg == "?" || arg == "help") {
            std::puts("usage: setup [node number]");
            return 0;
        }
        vorn::NodeConfig node;
        ok = vorn::LoadNodeConfigWithDefaults(vorn::NodeConfigFileName(arg), node) && ok;
    }
    if (!ok) {
        std::puts("setup: a configuration file could not be written, check the permissions");
        return 1;
    }
    return 0;
}
