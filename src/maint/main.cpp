// maint: the nightly maintenance run. For now it reads its settings and ends.
#include <cstdio>

#include "common/config_files.hpp"

int main() {
    vorn::MaintSettings settings;
    if (!vorn::ReadMaintSettings("maint.dat", settings)) {
        std::puts("Maint.dat missing run setup");
        settings.heal_everything = false;
    }
    return 0;
}
