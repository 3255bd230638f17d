// The tool's console: every console variable of the library by name.
//
// The library defines some names more than once (several modules read the
// same switch); the first definition registered stands for the name and the
// later ones are made views of it with setInstance, so that setting the name
// reaches every module.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "hox/cvar.h"

namespace hox_render {

class CVarRegistry : public hox::util::ICVarRegistry {
public:
    // The process's registry; the library accepts one registry per process,
    // so the first call registers it and later calls return the same one.
    static CVarRegistry& instance();

    bool registerCVar(hox::util::CVar* cvar) override;

    // The variable of that name, or null.
    hox::util::CVar* find(const std::string& name);
    // Every variable by name.
    std::vector<hox::util::CVar*> all();

    // Sets the variable from text as `name=value` would. False with `error`
    // set for an unknown name or a value the variable's type cannot read.
    bool set(const std::string& name, const std::string& value, std::string& error);

private:
    CVarRegistry() = default;
    // Links definitions that arrived after the first one of their name.
    // Done outside registerCVar: the library registers a variable from its
    // base constructor, before the variable could answer setInstance.
    void linkDuplicates();

    std::map<std::string, hox::util::CVar*> m_byName;
    std::vector<hox::util::CVar*> m_duplicates;
};

}  // namespace hox_render
