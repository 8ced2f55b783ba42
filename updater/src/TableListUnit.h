#pragma once
// The lists of tables that an upgrade carries over from MySQL, kept in the TABLES resource, and the
// choice of one list by the command-line switches "custom" and "tf".
#include "CommandLine.h"
#include "Errors.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

// A list of table names in the resource's order. Lookups ignore letter case, since the dump may spell
// a table differently from the list.
class TTableList {
public:
    void Add(std::string AName) { FNames.push_back(std::move(AName)); }
    int Count() const { return static_cast<int>(FNames.size()); }
    const std::string& operator[](int AIndex) const { return FNames.at(AIndex); }
    const std::vector<std::string>& Names() const { return FNames; }
    int IndexOf(std::string_view AName) const;
    bool Contains(std::string_view AName) const { return IndexOf(AName) >= 0; }

private:
    std::vector<std::string> FNames;
};

// Picks the table set named by "custom" when the resource has it (exact case), else "tf" or "cr" by
// the product switch. AParams are parameters as the process has them, the program first. Raises
// EResNotFound without the resource and xml::EXmlError when it is not well-formed.
std::unique_ptr<TTableList> LoadTableList(const TParams& AParams);
