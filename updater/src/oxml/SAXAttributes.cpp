#include "oxml/SAXParser.h"

namespace oxml {

void TSAXAttributes::DropIndex() {
    index_.clear();
    indexed_ = false;
}

void TSAXAttributes::Grow() {
    items_.emplace_back();
}

void TSAXAttributes::BuildIndex() {
    index_.clear();
    index_.reserve(count_);
    for (size_t i = 0; i < count_; ++i)
        index_.emplace(items_[i].NodeName, i); // emplace keeps the first of two equal names
    indexed_ = true;
}

long TSAXAttributes::IndexOf(std::string_view name) const {
    if (indexed_) {
        auto found = index_.find(name);
        return found == index_.end() ? -1 : static_cast<long>(found->second);
    }
    for (size_t i = 0; i < count_; ++i) {
        if (items_[i].NodeName == name)
            return static_cast<long>(i);
    }
    return -1;
}

bool TSAXAttributes::Find(std::string_view name, std::string_view& value) const {
    long i = IndexOf(name);
    if (i < 0)
        return false;
    value = items_[i].NodeValue;
    return true;
}

std::string_view TSAXAttributes::GetDef(std::string_view name, std::string_view def) const {
    long i = IndexOf(name);
    return i < 0 ? def : items_[i].NodeValue;
}

std::string_view TSAXAttributes::Get(std::string_view name) const {
    return GetDef(name, {});
}

} // namespace oxml
