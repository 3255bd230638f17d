#include "cvar_registry.h"

namespace hox_render {

CVarRegistry& CVarRegistry::instance() {
    static CVarRegistry registry;
    static const bool registered = (hox::util::CVar::registerStaticCVars(&registry), true);
    (void)registered;
    return registry;
}

bool CVarRegistry::registerCVar(hox::util::CVar* cvar) {
    if (!cvar || !cvar->getName()) return false;
    if (!m_byName.emplace(cvar->getName(), cvar).second) m_duplicates.push_back(cvar);
    return true;
}

void CVarRegistry::linkDuplicates() {
    for (hox::util::CVar* duplicate : m_duplicates) duplicate->setInstance(m_byName[duplicate->getName()]);
    m_duplicates.clear();
}

hox::util::CVar* CVarRegistry::find(const std::string& name) {
    linkDuplicates();
    auto found = m_byName.find(name);
    return found == m_byName.end() ? nullptr : found->second;
}

std::vector<hox::util::CVar*> CVarRegistry::all() {
    linkDuplicates();
    std::vector<hox::util::CVar*> vars;
    for (const auto& entry : m_byName) vars.push_back(entry.second);
    return vars;
}

bool CVarRegistry::set(const std::string& name, const std::string& value, std::string& error) {
    hox::util::CVar* cvar = find(name);
    if (!cvar) {
        error = "unknown console variable '" + name + "' (--list-cvars lists them)";
        return false;
    }
    if (!cvar->setValueString(value.c_str())) {
        static const char* const kTypes[] = {"a bool", "an integer", "a number", "a string"};
        const int type = static_cast<int>(cvar->getType());
        error = "console variable '" + name + "' needs " + (type >= 0 && type < 4 ? kTypes[type] : "a value") +
                ", not '" + value + "'";
        return false;
    }
    return true;
}

}  // namespace hox_render
