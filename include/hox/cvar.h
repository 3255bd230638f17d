// Console variables: named, typed tuning switches (names beginning with rt_).
//
// The library's modules define them as static objects; the library has no
// console and no registry of its own. The host implements ICVarRegistry and
// hands it to CVar::registerStaticCVars, after which it can list, read and
// set every variable by name, as text or as a typed value.
//
// Every variable keeps its value twice: as the typed value and as a
// ready-made text (the value string), so the host can print it without
// formatting.
//
// Typed variables carry an instance pointer, pointing at the object itself
// until setInstance redirects it to another variable of the same type. Every
// read of the value and of the flags and every write goes through it, so a
// redirected object is a view of the other variable. Registries use this to
// let several definitions of the same name share the first one's value.
//
// Lifetime: a variable constructed before registerStaticCVars is linked into
// a static list and its destructor does not unlink it (destructors never
// unregister), so such variables must live until registration - in practice
// they are objects of static storage duration. After registration, new
// variables (copies included) are handed to the registry at once, from inside
// the base constructor: at that moment only the CVar part exists, so a
// registry's registerCVar may read getName, getType, getDescription and
// getFlags but must not call the virtual operations yet.
//
// No locking: render and builder threads read the values while frames run;
// the host changes variables between frames.
#pragma once

#include "hox/config.h"
#include "hox/string.h"

namespace hox {
namespace util {

class CVar;

// Flag bits of a variable (CVar::getFlags).
// Read-only: every attempt to change the value is ignored silently.
constexpr int CVAR_READ_ONLY = 1;
// Modified: set by the library each time the value really changes; never
// cleared by the library.
constexpr int CVAR_MODIFIED = 2;

// Implemented by the host. The library calls only registerCVar (the second
// virtual slot, after the destructor) and does not use its result.
class HOX_API ICVarRegistry {
public:
    virtual ~ICVarRegistry() {}
    virtual bool registerCVar(CVar* cvar) = 0;
};

class HOX_API CVar {
public:
    // 32-bit.
    enum EType : int {
        TYPE_BOOL = 0,
        TYPE_INT = 1,
        TYPE_FLOAT = 2,
        TYPE_STRING = 3,
    };

    // Virtual operations, in slot order: destructor, setInstance,
    // getValueString, setValueString, getNumArgs, getInstance (private,
    // declared below).
    virtual ~CVar();
    // Makes this object a view of `other` when both have the same type
    // (true); otherwise (or for null) returns false and changes nothing.
    virtual bool setInstance(CVar* other) = 0;
    // The instance's value string ("true"/"false", "%d", "%g", or a string
    // value between two double quotes).
    virtual const char* getValueString() const = 0;
    // Parses `text` and sets the value as the typed set would. Returns false,
    // changing nothing, when the text does not parse; a null text counts as
    // not parsing (false) for every type. A read-only variable still returns
    // true for a text that parsed.
    virtual bool setValueString(const char* text) = 0;
    // 1 for every class.
    virtual int getNumArgs() const = 0;

    const char* getName() const { return m_name; }
    // Never null: an empty text when the definer gave none.
    const char* getDescription() const { return m_description; }
    EType getType() const { return m_type; }
    // The flags of the instance, not of this object itself.
    int getFlags() const;

    // Hands every variable constructed so far to `registry` (from the most
    // recently constructed back to the first) and keeps the registry for
    // variables constructed later. Does nothing when a registry is already
    // set, or for null.
    static void registerStaticCVars(ICVarRegistry* registry);

protected:
    // Stores the fields, clears next, then registers the object: pushed at
    // the head of s_pCVarList while no registry is set, otherwise handed to
    // the registry at once.
    CVar(const char* name, EType type, int flags, const char* description);
    // Copies name, type, flags and description, clears next and registers
    // the copy the same way.
    CVar(const CVar& other);
    // Text transfer: this->setValueString(other.getValueString()).
    CVar& operator=(const CVar& other);

    // Head of the list of variables constructed while no registry was set.
    static CVar* s_pCVarList;
    // The registry given to registerStaticCVars.
    static ICVarRegistry* s_pRegistry;

    int m_flags;
    const char* m_name;  // not copied
    EType m_type;
    const char* m_description;  // not copied
    CVar* m_next;

private:
    // Sixth virtual slot.
    virtual const CVar* getInstance() const = 0;

    void registerSelf();
};

class HOX_API CVar_b : public CVar {
public:
    CVar_b(const char* name, bool defaultValue, int flags, const char* description);
    CVar_b(const CVar_b& other);
    CVar_b& operator=(const CVar_b& other);
    ~CVar_b() override;

    bool setInstance(CVar* other) override;
    const char* getValueString() const override;
    // An integer ("%d") sets (n != 0); otherwise "true" or "false" in any
    // mix of cases, as the whole text.
    bool setValueString(const char* text) override;
    int getNumArgs() const override;

    bool get() const { return static_cast<const CVar_b*>(m_pInstance)->m_value; }
    operator bool() const { return get(); }
    bool getDefaultValue() const { return m_default; }

    void set(bool value);
    CVar_b& operator=(bool value) {
        set(value);
        return *this;
    }

private:
    const CVar* getInstance() const override;
    void init(bool value);
    void writeValueString();

    CVar* m_pInstance;
    bool m_value;
    bool m_default;
    char m_valueString[8];
};

class HOX_API CVar_i : public CVar {
public:
    // A max below min becomes min; the default is clamped to [min, max].
    CVar_i(const char* name, int defaultValue, int flags, const char* description,
           int minValue, int maxValue);
    CVar_i(const CVar_i& other);
    CVar_i& operator=(const CVar_i& other);
    ~CVar_i() override;

    bool setInstance(CVar* other) override;
    const char* getValueString() const override;
    // One integer read with "%d", then clamped.
    bool setValueString(const char* text) override;
    int getNumArgs() const override;

    int get() const { return static_cast<const CVar_i*>(m_pInstance)->m_value; }
    operator int() const { return get(); }
    int getDefaultValue() const { return m_default; }
    int getMinValue() const { return m_min; }
    int getMaxValue() const { return m_max; }

    // Clamped to the instance's [min, max].
    void set(int value);
    CVar_i& operator=(int value) {
        set(value);
        return *this;
    }

private:
    const CVar* getInstance() const override;
    void init(int value, int minValue, int maxValue);
    void writeValueString();

    CVar* m_pInstance;
    int m_value;
    int m_default;
    int m_min;
    int m_max;
    char m_valueString[16];
};

class HOX_API CVar_f : public CVar {
public:
    // A max below min becomes min; the default is clamped to [min, max]
    // (a default not >= min, NaN included, becomes min).
    CVar_f(const char* name, float defaultValue, int flags, const char* description,
           float minValue, float maxValue);
    CVar_f(const CVar_f& other);
    CVar_f& operator=(const CVar_f& other);
    ~CVar_f() override;

    bool setInstance(CVar* other) override;
    const char* getValueString() const override;
    // One float read with "%f", then clamped (NaN gives min).
    bool setValueString(const char* text) override;
    int getNumArgs() const override;

    float get() const { return static_cast<const CVar_f*>(m_pInstance)->m_value; }
    operator float() const { return get(); }
    float getDefaultValue() const { return m_default; }
    float getMinValue() const { return m_min; }
    float getMaxValue() const { return m_max; }

    // Clamped to the instance's [min, max]; NaN gives min.
    void set(float value);
    CVar_f& operator=(float value) {
        set(value);
        return *this;
    }

private:
    const CVar* getInstance() const override;
    void init(float value, float minValue, float maxValue);
    void writeValueString();

    CVar* m_pInstance;
    float m_value;
    float m_default;
    float m_min;
    float m_max;
    char m_valueString[16];  // "%g" of the value widened to double
};

class HOX_API CVar_s : public CVar {
public:
    // A null default is taken as the empty text.
    CVar_s(const char* name, const char* defaultValue, int flags, const char* description);
    CVar_s(const CVar_s& other);
    CVar_s& operator=(const CVar_s& other);
    ~CVar_s() override;

    bool setInstance(CVar* other) override;
    // The value between two double-quote characters.
    const char* getValueString() const override;
    // Sets the text as it stands (quotes included, if any) and returns true;
    // a null text returns false and changes nothing.
    bool setValueString(const char* text) override;
    int getNumArgs() const override;

    const char* get() const { return static_cast<const CVar_s*>(m_pInstance)->m_value.c_str(); }
    operator const char*() const { return get(); }
    const char* getDefaultValue() const { return m_default.c_str(); }

    // A null text is taken as the empty text.
    void set(const char* value);
    CVar_s& operator=(const char* value) {
        set(value);
        return *this;
    }

private:
    const CVar* getInstance() const override;
    void init(const char* value);

    CVar* m_pInstance;
    String m_value;
    String m_valueString;  // '"' + value + '"'
    String m_default;
};

}  // namespace util
}  // namespace hox
