// mrvdio-regsvr: registers (or with -u unregisters) an in-process component
// library in the class registry, like the system's registration tool.
//
//   mrvdio-regsvr [-u] [LIBRARY]      LIBRARY defaults to libMrvDIO.so beside this program

#include "host/ControlHost.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

std::string ProgramFolder() {
    char buf[4096];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0)
        return ".";
    buf[n] = '\0';
    std::string path(buf);
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

} // namespace

int main(int argc, char** argv) {
    bool unregister = false;
    std::string library;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-u") == 0) {
            unregister = true;
        } else if (std::strcmp(argv[i], "-h") == 0 || std::strcmp(argv[i], "--help") == 0) {
            std::printf("usage: mrvdio-regsvr [-u] [LIBRARY]\n");
            return 0;
        } else {
            library = argv[i];
        }
    }
    if (library.empty())
        library = ProgramFolder() + "/libMrvDIO.so";
    std::string error;
    auto lib = mrvdio::host::ComponentLibrary::Load(library, &error);
    if (!lib) {
        std::fprintf(stderr, "mrvdio-regsvr: %s\n", error.c_str());
        return 1;
    }
    const HRESULT hr = unregister ? lib->UnregisterServer() : lib->RegisterServer();
    if (FAILED(hr)) {
        std::string why;
        lib->TakeErrorInfo(&why, nullptr);
        std::fprintf(stderr, "mrvdio-regsvr: %s of %s failed (0x%08X)%s%s\n",
                     unregister ? "unregistering" : "registering", library.c_str(),
                     static_cast<unsigned>(hr), why.empty() ? "" : ": ", why.c_str());
        return 1;
    }
    std::printf("%s %s\n", unregister ? "unregistered" : "registered", library.c_str());
    return 0;
}
