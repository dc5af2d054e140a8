#include "registration/ClassRegistry.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace mrvdio::registry {

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

std::string ConfigHome() {
    std::string home = Env("XDG_CONFIG_HOME");
    if (!home.empty())
        return home;
    std::string user = Env("HOME");
    return (user.empty() ? std::string(".") : user) + "/.config";
}

std::string Trim(const std::string& s) {
    size_t b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool SameKey(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 'a' + 'A');
        if (x != y)
            return false;
    }
    return true;
}

} // namespace

std::string WritablePath() {
    std::string over = Env(kRegistryEnv);
    if (!over.empty())
        return over;
    return ConfigHome() + "/mrvdio/classes.ini";
}

std::vector<std::string> SearchPaths() {
    std::string over = Env(kRegistryEnv);
    if (!over.empty())
        return {over};
    std::vector<std::string> paths{ConfigHome() + "/mrvdio/classes.ini"};
    std::string dirs = Env("XDG_CONFIG_DIRS");
    if (dirs.empty())
        dirs = "/etc/xdg";
    std::stringstream ss(dirs);
    std::string dir;
    while (std::getline(ss, dir, ':')) {
        if (!dir.empty())
            paths.push_back(dir + "/mrvdio/classes.ini");
    }
    return paths;
}

bool IniFile::Load(const std::string& path, std::string* error) {
    sections_.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return true;
    std::ifstream in(path);
    if (!in) {
        if (error)
            *error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    std::string line;
    Entries* current = nullptr;
    while (std::getline(in, line)) {
        std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#')
            continue;
        if (t.front() == '[' && t.back() == ']') {
            std::string name = t.substr(1, t.size() - 2);
            EnsureSection(name);
            for (auto& s : sections_)
                if (SameKey(s.first, name))
                    current = &s.second;
            continue;
        }
        size_t eq = t.find('=');
        if (eq == std::string::npos || !current)
            continue;
        current->emplace_back(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)));
    }
    return true;
}

bool IniFile::Save(const std::string& path, std::string* error) const {
    std::error_code ec;
    std::filesystem::path p(path);
    if (p.has_parent_path())
        std::filesystem::create_directories(p.parent_path(), ec);
    const std::string tmp = path + ".tmp";
    {
        std::ofstream out(tmp, std::ios::trunc);
        if (!out) {
            if (error)
                *error = "cannot write " + tmp + ": " + std::strerror(errno);
            return false;
        }
        for (const auto& [name, entries] : sections_) {
            out << '[' << name << "]\n";
            for (const auto& [k, v] : entries)
                out << k << '=' << v << '\n';
            out << '\n';
        }
        out.flush();
        if (!out) {
            if (error)
                *error = "cannot write " + tmp + ": " + std::strerror(errno);
            std::filesystem::remove(tmp, ec);
            return false;
        }
    }
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        if (error)
            *error = "cannot replace " + path + ": " + ec.message();
        std::filesystem::remove(tmp, ec);
        return false;
    }
    return true;
}

bool IniFile::HasSection(const std::string& section) const {
    return Section(section) != nullptr;
}

const IniFile::Entries* IniFile::Section(const std::string& section) const {
    for (const auto& s : sections_)
        if (SameKey(s.first, section))
            return &s.second;
    return nullptr;
}

std::string IniFile::Value(const std::string& section, const std::string& key) const {
    if (const Entries* e = Section(section))
        for (const auto& [k, v] : *e)
            if (SameKey(k, key))
                return v;
    return {};
}

bool IniFile::HasValue(const std::string& section, const std::string& key) const {
    if (const Entries* e = Section(section))
        for (const auto& kv : *e)
            if (SameKey(kv.first, key))
                return true;
    return false;
}

void IniFile::EnsureSection(const std::string& section) {
    if (!HasSection(section))
        sections_.emplace_back(section, Entries{});
}

void IniFile::SetValue(const std::string& section, const std::string& key,
                       const std::string& value) {
    EnsureSection(section);
    for (auto& s : sections_) {
        if (!SameKey(s.first, section))
            continue;
        for (auto& kv : s.second) {
            if (SameKey(kv.first, key)) {
                kv.second = value;
                return;
            }
        }
        s.second.emplace_back(key, value);
        return;
    }
}

void IniFile::RemoveSection(const std::string& section) {
    std::erase_if(sections_, [&](const auto& s) { return SameKey(s.first, section); });
}

void IniFile::RemoveTree(const std::string& section) {
    const std::string prefix = section + "\\";
    std::erase_if(sections_, [&](const auto& s) {
        return SameKey(s.first, section) || (s.first.size() > prefix.size() &&
                                             SameKey(s.first.substr(0, prefix.size()), prefix));
    });
}

namespace {

// The first file of the search that has the section.
bool FindSection(const std::string& section, IniFile* file, std::string* error) {
    for (const std::string& path : SearchPaths()) {
        IniFile f;
        std::string why;
        if (!f.Load(path, &why)) {
            if (error)
                *error = why;
            continue;
        }
        if (f.HasSection(section)) {
            *file = std::move(f);
            return true;
        }
    }
    return false;
}

} // namespace

bool ClassIdFromProgId(const std::string& progId, CLSID* clsid, std::string* error) {
    IniFile file;
    std::string name = progId;
    for (int hop = 0; hop < 2; ++hop) {
        if (!FindSection(name, &file, error)) {
            if (error && error->empty())
                *error = "ProgID " + progId + " is not registered";
            return false;
        }
        const std::string cur = file.Value(name, "CurVer");
        if (hop == 0 && !cur.empty() && !SameKey(cur, name) && file.HasSection(cur)) {
            name = cur;
            continue;
        }
        break;
    }
    const std::string text = file.Value(name, "CLSID");
    if (!GuidFromString(text, clsid)) {
        if (error)
            *error = "ProgID " + progId + " has no valid CLSID";
        return false;
    }
    return true;
}

bool InprocServer(const CLSID& clsid, std::string* path, std::string* threadingModel,
                  std::string* error) {
    IniFile file;
    const std::string section = "CLSID\\" + GuidToString(clsid);
    if (!FindSection(section, &file, error)) {
        if (error)
            *error = "class " + GuidToString(clsid) + " is not registered";
        return false;
    }
    const std::string server = file.Value(section, "InprocServer32");
    if (server.empty()) {
        if (error)
            *error = "class " + GuidToString(clsid) + " has no InprocServer32";
        return false;
    }
    if (path)
        *path = server;
    if (threadingModel)
        *threadingModel = file.Value(section, "ThreadingModel");
    return true;
}

} // namespace mrvdio::registry
