#pragma once

// The class registry: an INI file with one section per registry key
// ("CLSID\{...}", a ProgID, "TypeLib\{...}\1.0"). A key's default value is
// stored under the name "@"; registry subkeys that hold only a value are
// written as "Subkey\Value" names in their parent's section.
//
// Location: $MRVDIO_REGISTRY when set (tests); otherwise
// $XDG_CONFIG_HOME/mrvdio/classes.ini (default ~/.config/mrvdio/classes.ini)
// for writing, and for reading that file first and then
// <dir>/mrvdio/classes.ini for every dir of $XDG_CONFIG_DIRS (default /etc/xdg).

#include "mrvdio/ComBase.h"

#include <string>
#include <utility>
#include <vector>

namespace mrvdio::registry {

inline constexpr const char* kRegistryEnv = "MRVDIO_REGISTRY";

// The file registration writes.
std::string WritablePath();
// The files a lookup reads, in order.
std::vector<std::string> SearchPaths();

class IniFile {
public:
    using Entries = std::vector<std::pair<std::string, std::string>>;

    // A missing file loads as empty (and succeeds); an unreadable one fails.
    bool Load(const std::string& path, std::string* error);
    // Written whole to a temporary file and renamed over the old one.
    bool Save(const std::string& path, std::string* error) const;

    bool HasSection(const std::string& section) const;
    const Entries* Section(const std::string& section) const;
    // Empty when absent.
    std::string Value(const std::string& section, const std::string& key) const;
    bool HasValue(const std::string& section, const std::string& key) const;
    void SetValue(const std::string& section, const std::string& key, const std::string& value);
    // Creates the section when absent.
    void EnsureSection(const std::string& section);
    void RemoveSection(const std::string& section);
    // Removes the section and every section below it ("Key\...").
    void RemoveTree(const std::string& section);
    const std::vector<std::pair<std::string, Entries>>& Sections() const { return sections_; }

private:
    std::vector<std::pair<std::string, Entries>> sections_;
};

// ProgID → class identifier, following CurVer of a version-independent
// ProgID. False with a reason when the ProgID is not registered.
bool ClassIdFromProgId(const std::string& progId, CLSID* clsid, std::string* error);
// The library that serves a class in-process, and its threading model.
bool InprocServer(const CLSID& clsid, std::string* path, std::string* threadingModel,
                  std::string* error);

} // namespace mrvdio::registry
