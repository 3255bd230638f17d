// CVar: the base part of every console variable and its registration.
#include "hox/cvar.h"

namespace hox {
namespace util {

// Constant-initialised (before any dynamic initialisation), so variables
// constructed during static initialisation always find an empty list.
CVar* CVar::s_pCVarList = nullptr;
ICVarRegistry* CVar::s_pRegistry = nullptr;

CVar::CVar(const char* name, EType type, int flags, const char* description)
    : m_flags(flags),
      m_name(name),
      m_type(type),
      m_description(description ? description : ""),
      m_next(nullptr) {
    registerSelf();
}

CVar::CVar(const CVar& other)
    : m_flags(other.m_flags),
      m_name(other.m_name),
      m_type(other.m_type),
      m_description(other.m_description),
      m_next(nullptr) {
    registerSelf();
}

// Destructors never unregister: neither from the registry nor from the static
// list (see the lifetime note in hox/cvar.h).
CVar::~CVar() {}

CVar& CVar::operator=(const CVar& other) {
    setValueString(other.getValueString());
    return *this;
}

int CVar::getFlags() const { return getInstance()->m_flags; }

// Called from the base constructors: the typed part does not exist yet, so a
// registry called from here sees only the CVar part.
void CVar::registerSelf() {
    if (s_pRegistry == nullptr) {
        m_next = s_pCVarList;
        s_pCVarList = this;
    } else {
        s_pRegistry->registerCVar(this);
    }
}

void CVar::registerStaticCVars(ICVarRegistry* registry) {
    if (s_pRegistry != nullptr || registry == nullptr) return;
    // From the head: the most recently constructed variable first. The list
    // stays as it is.
    for (CVar* cvar = s_pCVarList; cvar != nullptr; cvar = cvar->m_next) {
        registry->registerCVar(cvar);
    }
    s_pRegistry = registry;
}

}  // namespace util
}  // namespace hox
