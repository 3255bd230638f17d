// The four typed console variables: CVar_b, CVar_i, CVar_f and CVar_s.
//
// Every read and write of the current value and flags goes through the
// instance pointer (the object itself unless setInstance redirected it).
// setInstance only accepts a variable of the same type, which is what makes
// the static_casts of the instance below valid.
#include <cstdio>
#include <cstring>

#include "hox/cvar.h"

namespace hox {
namespace util {
namespace {

// ASCII only, independent of the C locale.
char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

// ---------------------------------------------------------------------------
// CVar_b

CVar_b::CVar_b(const char* name, bool defaultValue, int flags, const char* description)
    : CVar(name, TYPE_BOOL, flags, description) {
    init(defaultValue);
}

CVar_b::CVar_b(const CVar_b& other)
    : CVar(other), m_pInstance(other.m_pInstance), m_value(other.m_value), m_default(other.m_default) {
    std::memcpy(m_valueString, other.m_valueString, sizeof m_valueString);
}

CVar_b& CVar_b::operator=(const CVar_b& other) {
    if (this == &other) return *this;
    CVar::operator=(other);  // text transfer into this object's current instance
    m_pInstance = other.m_pInstance;
    m_value = other.m_value;
    m_default = other.m_default;
    std::memcpy(m_valueString, other.m_valueString, sizeof m_valueString);
    return *this;
}

CVar_b::~CVar_b() {}

void CVar_b::init(bool value) {
    m_pInstance = this;
    m_value = value;
    m_default = value;
    writeValueString();
}

void CVar_b::writeValueString() {
    std::snprintf(m_valueString, sizeof m_valueString, "%s", m_value ? "true" : "false");
}

bool CVar_b::setInstance(CVar* other) {
    if (other == nullptr || other->getType() != getType()) return false;
    m_pInstance = other;
    return true;
}

const char* CVar_b::getValueString() const {
    return static_cast<const CVar_b*>(m_pInstance)->m_valueString;
}

bool CVar_b::setValueString(const char* text) {
    if (text == nullptr) return false;
    int number = 0;
    if (std::sscanf(text, "%d", &number) == 1) {
        set(number != 0);
        return true;
    }
    // At most the first 7 characters, upper-cased. "TRUE" and "FALSE" are
    // shorter than that, so a match means the whole text matched.
    char upper[8];
    int i = 0;
    for (; i < 7 && text[i] != '\0'; ++i) upper[i] = upperAscii(text[i]);
    upper[i] = '\0';
    if (std::strcmp(upper, "TRUE") == 0) {
        set(true);
        return true;
    }
    if (std::strcmp(upper, "FALSE") == 0) {
        set(false);
        return true;
    }
    return false;
}

int CVar_b::getNumArgs() const { return 1; }

const CVar* CVar_b::getInstance() const { return m_pInstance; }

void CVar_b::set(bool value) {
    CVar_b* instance = static_cast<CVar_b*>(m_pInstance);
    if (instance->m_flags & CVAR_READ_ONLY) return;
    if (value == instance->m_value) return;
    instance->m_value = value;
    instance->writeValueString();
    instance->m_flags |= CVAR_MODIFIED;
}

// ---------------------------------------------------------------------------
// CVar_i

CVar_i::CVar_i(const char* name, int defaultValue, int flags, const char* description,
               int minValue, int maxValue)
    : CVar(name, TYPE_INT, flags, description) {
    init(defaultValue, minValue, maxValue);
}

CVar_i::CVar_i(const CVar_i& other)
    : CVar(other),
      m_pInstance(other.m_pInstance),
      m_value(other.m_value),
      m_default(other.m_default),
      m_min(other.m_min),
      m_max(other.m_max) {
    std::memcpy(m_valueString, other.m_valueString, sizeof m_valueString);
}

CVar_i& CVar_i::operator=(const CVar_i& other) {
    if (this == &other) return *this;
    CVar::operator=(other);
    m_pInstance = other.m_pInstance;
    m_value = other.m_value;
    m_default = other.m_default;
    m_min = other.m_min;
    m_max = other.m_max;
    std::memcpy(m_valueString, other.m_valueString, sizeof m_valueString);
    return *this;
}

CVar_i::~CVar_i() {}

void CVar_i::init(int value, int minValue, int maxValue) {
    m_pInstance = this;
    m_min = minValue;
    m_max = maxValue < minValue ? minValue : maxValue;
    if (value < m_min) value = m_min;
    if (value > m_max) value = m_max;
    m_value = value;
    m_default = value;
    writeValueString();
}

void CVar_i::writeValueString() {
    std::snprintf(m_valueString, sizeof m_valueString, "%d", m_value);
}

bool CVar_i::setInstance(CVar* other) {
    if (other == nullptr || other->getType() != getType()) return false;
    m_pInstance = other;
    return true;
}

const char* CVar_i::getValueString() const {
    return static_cast<const CVar_i*>(m_pInstance)->m_valueString;
}

bool CVar_i::setValueString(const char* text) {
    if (text == nullptr) return false;
    int value = 0;
    if (std::sscanf(text, "%d", &value) != 1) return false;
    set(value);
    return true;
}

int CVar_i::getNumArgs() const { return 1; }

const CVar* CVar_i::getInstance() const { return m_pInstance; }

void CVar_i::set(int value) {
    CVar_i* instance = static_cast<CVar_i*>(m_pInstance);
    if (instance->m_flags & CVAR_READ_ONLY) return;
    if (value < instance->m_min) value = instance->m_min;
    if (value > instance->m_max) value = instance->m_max;
    if (value == instance->m_value) return;
    instance->m_value = value;
    instance->writeValueString();
    instance->m_flags |= CVAR_MODIFIED;
}

// ---------------------------------------------------------------------------
// CVar_f

CVar_f::CVar_f(const char* name, float defaultValue, int flags, const char* description,
               float minValue, float maxValue)
    : CVar(name, TYPE_FLOAT, flags, description) {
    init(defaultValue, minValue, maxValue);
}

CVar_f::CVar_f(const CVar_f& other)
    : CVar(other),
      m_pInstance(other.m_pInstance),
      m_value(other.m_value),
      m_default(other.m_default),
      m_min(other.m_min),
      m_max(other.m_max) {
    std::memcpy(m_valueString, other.m_valueString, sizeof m_valueString);
}

CVar_f& CVar_f::operator=(const CVar_f& other) {
    if (this == &other) return *this;
    CVar::operator=(other);
    m_pInstance = other.m_pInstance;
    m_value = other.m_value;
    m_default = other.m_default;
    m_min = other.m_min;
    m_max = other.m_max;
    std::memcpy(m_valueString, other.m_valueString, sizeof m_valueString);
    return *this;
}

CVar_f::~CVar_f() {}

void CVar_f::init(float value, float minValue, float maxValue) {
    m_pInstance = this;
    m_min = minValue;
    m_max = maxValue < minValue ? minValue : maxValue;
    if (!(value >= m_min)) value = m_min;  // NaN included
    if (value > m_max) value = m_max;
    m_value = value;
    m_default = value;
    writeValueString();
}

void CVar_f::writeValueString() {
    // At most 13 characters for any float ("-3.40282e+38"), but snprintf
    // keeps even the unexpected within the 16 bytes.
    std::snprintf(m_valueString, sizeof m_valueString, "%g", static_cast<double>(m_value));
}

bool CVar_f::setInstance(CVar* other) {
    if (other == nullptr || other->getType() != getType()) return false;
    m_pInstance = other;
    return true;
}

const char* CVar_f::getValueString() const {
    return static_cast<const CVar_f*>(m_pInstance)->m_valueString;
}

bool CVar_f::setValueString(const char* text) {
    if (text == nullptr) return false;
    float value = 0.0f;
    if (std::sscanf(text, "%f", &value) != 1) return false;
    set(value);
    return true;
}

int CVar_f::getNumArgs() const { return 1; }

const CVar* CVar_f::getInstance() const { return m_pInstance; }

void CVar_f::set(float value) {
    CVar_f* instance = static_cast<CVar_f*>(m_pInstance);
    if (instance->m_flags & CVAR_READ_ONLY) return;
    if (!(value >= instance->m_min)) value = instance->m_min;  // NaN included
    if (value > instance->m_max) value = instance->m_max;
    if (!(value < instance->m_value) && !(value > instance->m_value)) return;
    instance->m_value = value;
    instance->writeValueString();
    instance->m_flags |= CVAR_MODIFIED;
}

// ---------------------------------------------------------------------------
// CVar_s

CVar_s::CVar_s(const char* name, const char* defaultValue, int flags, const char* description)
    : CVar(name, TYPE_STRING, flags, description) {
    init(defaultValue);
}

CVar_s::CVar_s(const CVar_s& other)
    : CVar(other),
      m_pInstance(other.m_pInstance),
      m_value(other.m_value),
      m_valueString(other.m_valueString),
      m_default(other.m_default) {}

CVar_s& CVar_s::operator=(const CVar_s& other) {
    if (this == &other) return *this;
    // The base text transfer hands over other's value string, which is the
    // quoted form; setValueString takes a text as it stands, so this
    // object's current instance receives the quotes too (as specified).
    CVar::operator=(other);
    m_pInstance = other.m_pInstance;
    m_value = other.m_value;
    m_valueString = other.m_valueString;
    m_default = other.m_default;
    return *this;
}

CVar_s::~CVar_s() {}

void CVar_s::init(const char* value) {
    m_pInstance = this;
    m_value = value ? value : "";
    m_valueString = "\"";
    m_valueString += m_value;
    m_valueString += '"';
    m_default = m_value;
}

bool CVar_s::setInstance(CVar* other) {
    if (other == nullptr || other->getType() != getType()) return false;
    m_pInstance = other;
    return true;
}

const char* CVar_s::getValueString() const {
    return static_cast<const CVar_s*>(m_pInstance)->m_valueString.c_str();
}

bool CVar_s::setValueString(const char* text) {
    if (text == nullptr) return false;
    set(text);
    return true;
}

int CVar_s::getNumArgs() const { return 1; }

const CVar* CVar_s::getInstance() const { return m_pInstance; }

void CVar_s::set(const char* value) {
    CVar_s* instance = static_cast<CVar_s*>(m_pInstance);
    if (instance->m_flags & CVAR_READ_ONLY) return;
    // Copied first: the text may point into the instance's own strings
    // (for example its value string, through operator=).
    String text(value ? value : "");
    if (std::strcmp(text.c_str(), instance->m_value.c_str()) == 0) return;
    String quoted("\"");
    quoted += text;
    quoted += '"';
    instance->m_value = text;
    instance->m_valueString = quoted;
    instance->m_flags |= CVAR_MODIFIED;
}

}  // namespace util
}  // namespace hox
