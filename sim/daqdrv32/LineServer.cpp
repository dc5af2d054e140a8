// The line socket: a Unix stream socket served by one thread, through which
// the line simulator sets inputs and reads outputs of the simulated boards,
// one text command per line (HACKING.md, "Simulated DIO board").

#include "Simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <sstream>
#include <thread>

namespace daqsim {

namespace {

class Server {
public:
    ~Server() { Stop(); }

    DaqResult Start(const std::string& path) {
        sockaddr_un addr{};
        if (path.size() >= sizeof addr.sun_path) {
            std::fprintf(stderr, "daqdrv32: socket path too long: %s\n", path.c_str());
            return DAQ_ERR_INVALID_PARAMETER;
        }
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);

        // A socket file left by a process that ended is replaced; one that a
        // live server answers on is left alone.
        const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (probe >= 0) {
            const bool live = connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
            close(probe);
            if (live) {
                std::fprintf(stderr, "daqdrv32: another driver serves %s; no line socket here\n",
                             path.c_str());
                return DAQ_ERR_INVALID_VALUE;
            }
        }
        unlink(path.c_str());

        listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listenFd_ < 0 ||
            bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            listen(listenFd_, 8) != 0 || pipe2(wake_, O_CLOEXEC) != 0) {
            std::fprintf(stderr, "daqdrv32: cannot serve the line socket %s: %s\n", path.c_str(),
                         std::strerror(errno));
            CloseAll();
            return DAQ_ERR_INVALID_VALUE;
        }
        path_ = path;
        thread_ = std::thread([this] { Run(); });
        return DAQ_OK;
    }

    void Stop() {
        if (thread_.joinable()) {
            const char c = 'q';
            [[maybe_unused]] const auto n = write(wake_[1], &c, 1);
            thread_.join();
        }
        if (!path_.empty())
            unlink(path_.c_str());
        path_.clear();
        CloseAll();
    }

    const std::string& Path() const { return path_; }

private:
    struct Client {
        int fd = -1;
        std::string buffer;
    };

    void CloseAll() {
        for (int* fd : {&listenFd_, &wake_[0], &wake_[1]}) {
            if (*fd >= 0)
                close(*fd);
            *fd = -1;
        }
    }

    static void Reply(int fd, const std::string& text) {
        const std::string line = text + "\n";
        std::size_t done = 0;
        while (done < line.size()) {
            const ssize_t n = send(fd, line.data() + done, line.size() - done, MSG_NOSIGNAL);
            if (n <= 0)
                return;
            done += static_cast<std::size_t>(n);
        }
    }

    void Run() {
        std::vector<Client> clients;
        for (;;) {
            std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listenFd_, POLLIN, 0}};
            for (const Client& c : clients)
                fds.push_back({c.fd, POLLIN, 0});
            if (poll(fds.data(), fds.size(), -1) < 0) {
                if (errno == EINTR)
                    continue;
                break;
            }
            if (fds[0].revents)
                break;
            if (fds[1].revents & POLLIN) {
                const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0)
                    clients.push_back({fd, {}});
            }
            for (std::size_t i = 2; i < fds.size(); ++i) {
                if (!fds[i].revents)
                    continue;
                Client& c = clients[i - 2];
                char buf[512];
                const ssize_t n = read(c.fd, buf, sizeof buf);
                bool drop = n <= 0;
                if (n > 0)
                    c.buffer.append(buf, static_cast<std::size_t>(n));
                std::size_t nl;
                while (!drop && (nl = c.buffer.find('\n')) != std::string::npos) {
                    std::string line = c.buffer.substr(0, nl);
                    c.buffer.erase(0, nl + 1);
                    if (!line.empty() && line.back() == '\r')
                        line.pop_back();
                    bool closeIt = false;
                    const std::string reply = HandleLine(line, &closeIt);
                    if (!reply.empty())
                        Reply(c.fd, reply);
                    drop = closeIt;
                }
                if (c.buffer.size() > 4096) {
                    Reply(c.fd, "ERR line too long");
                    drop = true;
                }
                if (drop) {
                    close(c.fd);
                    c.fd = -1;
                }
            }
            std::erase_if(clients, [](const Client& c) { return c.fd < 0; });
        }
        for (const Client& c : clients)
            close(c.fd);
    }

    int listenFd_ = -1;
    int wake_[2] = {-1, -1};
    std::thread thread_;
    std::string path_;
};

std::mutex& serverMutex() {
    static std::mutex m;
    return m;
}

Server*& server() {
    static Server* s = nullptr;
    return s;
}

std::string defaultPath() {
    if (const char* env = std::getenv("DAQDRV32_SOCKET"); env && *env)
        return env;
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run)
        return std::string(run) + "/daqdrv32.sock";
    return "/tmp/daqdrv32-" + std::to_string(getuid()) + ".sock";
}

bool number(const std::string& text, long long lo, long long hi, long long* out) {
    return ParseNumber(text, out) && *out >= lo && *out <= hi;
}

std::string resultText(DaqResult r) {
    switch (r) {
    case DAQ_OK:
        return "OK";
    case DAQ_ERR_INVALID_DEVICE_NUMBER:
        return "ERR no such device";
    case DAQ_ERR_INVALID_PORT:
        return "ERR no such port";
    case DAQ_ERR_INVALID_CHANNEL:
        return "ERR no such channel";
    default:
        return "ERR driver code " + std::to_string(r);
    }
}

constexpr const char* kHelp =
    "OK commands: set <dev> <port> <byte> | setbit <dev> <channel> 0|1 | "
    "edge <dev> <channel> rise|fall | get <dev> di|do <port> | devices | ping | quit";

} // namespace

DaqResult StartServer(const std::string& path) {
    std::lock_guard lock(serverMutex());
    if (server()) {
        server()->Stop();
        delete server();
        server() = nullptr;
    }
    auto* s = new Server;
    const DaqResult r = s->Start(path);
    if (r != DAQ_OK) {
        delete s;
        return r;
    }
    server() = s;
    return DAQ_OK;
}

void StopServer() {
    std::lock_guard lock(serverMutex());
    if (server()) {
        server()->Stop();
        delete server();
        server() = nullptr;
    }
}

std::string ServerPath() {
    std::lock_guard lock(serverMutex());
    return server() ? server()->Path() : std::string();
}

void StartServerOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        const char* env = std::getenv("DAQDRV32_SOCKET");
        if (env && (std::strcmp(env, "off") == 0 || std::strcmp(env, "none") == 0))
            return;
        if (StartServer(defaultPath()) == DAQ_OK)
            std::atexit(StopServer);
    });
}

std::string HandleLine(const std::string& line, bool* close) {
    *close = false;
    std::istringstream in(line);
    std::vector<std::string> w;
    for (std::string t; in >> t;)
        w.push_back(t);
    if (w.empty())
        return {};
    const std::string& cmd = w[0];
    Simulator& sim = Simulator::Get();
    long long dev = 0, a = 0, v = 0;
    if (cmd == "ping" && w.size() == 1)
        return "OK daqdrv32";
    if (cmd == "help" && w.size() == 1)
        return kHelp;
    if (cmd == "quit" && w.size() == 1) {
        *close = true;
        return "OK bye";
    }
    if (cmd == "devices" && w.size() == 1) {
        std::string out = "OK";
        for (std::int32_t n : sim.DeviceNumbers())
            out += " " + std::to_string(n);
        return out;
    }
    if (cmd == "set") {
        if (w.size() != 4 || !number(w[1], 0, 0x7FFF, &dev) || !number(w[2], 0, 0xFFFF, &a) ||
            !number(w[3], 0, 0xFF, &v))
            return "ERR usage: set <dev> <port> <byte>";
        return resultText(sim.SetDiPort(static_cast<std::int32_t>(dev),
                                        static_cast<std::uint32_t>(a),
                                        static_cast<std::uint8_t>(v)));
    }
    if (cmd == "setbit") {
        if (w.size() != 4 || !number(w[1], 0, 0x7FFF, &dev) || !number(w[2], 0, 0xFFFF, &a) ||
            !number(w[3], 0, 1, &v))
            return "ERR usage: setbit <dev> <channel> 0|1";
        return resultText(
            sim.SetDiBit(static_cast<std::int32_t>(dev), static_cast<std::uint32_t>(a), v != 0));
    }
    if (cmd == "edge") {
        if (w.size() != 4 || !number(w[1], 0, 0x7FFF, &dev) || !number(w[2], 0, 0xFFFF, &a) ||
            (w[3] != "rise" && w[3] != "fall"))
            return "ERR usage: edge <dev> <channel> rise|fall";
        return resultText(sim.Edge(static_cast<std::int32_t>(dev), static_cast<std::uint32_t>(a),
                                   w[3] == "rise"));
    }
    if (cmd == "get") {
        if (w.size() != 4 || !number(w[1], 0, 0x7FFF, &dev) || (w[2] != "di" && w[2] != "do") ||
            !number(w[3], 0, 0xFFFF, &a))
            return "ERR usage: get <dev> di|do <port>";
        std::uint8_t value = 0;
        const auto d = static_cast<std::int32_t>(dev);
        const auto p = static_cast<std::uint32_t>(a);
        const DaqResult r =
            w[2] == "di" ? sim.GetDiPort(d, p, &value) : sim.GetDoPort(d, p, &value);
        return r == DAQ_OK ? "OK " + std::to_string(value) : resultText(r);
    }
    return "ERR unknown command '" + cmd + "' (help lists the commands)";
}

} // namespace daqsim
