#include "TableListUnit.h"

#include "CommandLine.h"
#include "LoggerUnit.h"
#include "platform/Resources.h"
#include "text/SameText.h"
#include "xml/XmlDom.h"

#include <map>

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

using TTableSets = std::map<std::string, std::vector<std::string>>;

TTableSets ReadTableSets() {
    std::string_view data = plat::FindResourceData("TABLES");
    if (data.empty())
        throw EResNotFound("Resource TABLES not found");
    xml::TXmlDocument doc;
    doc.LoadFromBytes(data);
    xml::TXmlNode root = doc.DocumentElement();
    TTableSets sets;
    for (int i = 0; i < root.ChildCount(); ++i) {
        xml::TXmlNode set = root.Child(i);
        if (!set.IsElement())
            continue;
        std::vector<std::string> tables;
        for (int j = 0; j < set.ChildCount(); ++j) {
            xml::TXmlNode table = set.Child(j);
            if (table.IsElement())
                tables.push_back(table.Attribute("name").value_or(""));
        }
        sets[set.Attribute("name").value_or("")] = std::move(tables);
    }
    return sets;
}

} // namespace

int TTableList::IndexOf(std::string_view AName) const {
    for (size_t i = 0; i < FNames.size(); ++i)
        if (text::SameText(FNames[i], AName))
            return static_cast<int>(i);
    return -1;
}

std::unique_ptr<TTableList> LoadTableList(const TParams& AParams) {
    const TTableSets sets = ReadTableSets();
    std::string key = FindCmdLineSwitchValue(AParams, "custom").value_or("");
    TLogger::Fine("command line custom parameter - %s", {key});
    if (key.empty() || sets.find(key) == sets.end())
        key = FindCmdLineSwitch(AParams, "tf") ? "tf" : "cr";
    for (char& c : key)
        c = LowerAscii(c);
    TLogger::Fine("Hashmap key - %s", {key});
    auto result = std::make_unique<TTableList>();
    for (const std::string& name : sets.at(key))
        result->Add(name);
    return result;
}
