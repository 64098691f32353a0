// Linked into every fuzz target: what a run finds (crash-, leak-, timeout- files) is written
// into the build folder beside the target, wherever the run was started from. An
// -artifact_prefix given on the command line still decides.
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    constexpr char kFlag[] = "-artifact_prefix=";
    for (int i = 1; i < *argc; ++i) {
        if (std::strncmp((*argv)[i], kFlag, sizeof kFlag - 1) == 0) return 0;
    }
    static std::string prefix = std::string(kFlag) + VORN_FUZZ_ARTIFACT_PREFIX;
    static std::vector<char*> args;
    args.assign(*argv, *argv + *argc);
    args.insert(args.begin() + 1, prefix.data());
    args.push_back(nullptr);
    *argc += 1;
    *argv = args.data();
    return 0;
}
