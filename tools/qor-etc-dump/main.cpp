// qor-etc-dump FILE.e00          every parameter as "name = value" (grid cells as name[c])
// qor-etc-dump --json FILE.e00   the same as one JSON object
// qor-etc-dump --diff A.e00 B.e00  only the parameters that differ: "name = a | b"; exit 1
// A damaged or unreadable file gives a one-line error and exit code 2.
#include <cstdio>
#include <string>
#include <vector>

#include "core/image/ImageDump.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string out, err;
    const int rc = qor::RunDumpTool(args, out, err);
    std::fputs(out.c_str(), stdout);
    std::fputs(err.c_str(), stderr);
    return rc;
}
