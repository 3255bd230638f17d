// Console variables. registerStaticCVars works only once per process, so it
// runs in a gtest Environment before any test; variables the tests make then
// go to the recording registry at once.
#include <gtest/gtest.h>

#include <initializer_list>
#include <limits>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "hox/cvar.h"
#include "hox/hox.h"
#include "util/cvars.h"

namespace {

using namespace hox::util;

struct Registration {
    CVar* cvar;
    std::string name;
    CVar::EType type;
    int flags;
};

class RecordingRegistry : public ICVarRegistry {
public:
    bool registerCVar(CVar* cvar) override {
        // Flags only while captureValues is set: a variable registered from
        // its base constructor is not complete yet.
        records.push_back({cvar, cvar->getName(), cvar->getType(), captureValues ? cvar->getFlags() : -1});
        return true;
    }
    bool captureValues = false;
    std::vector<Registration> records;
};

RecordingRegistry* g_registry = nullptr;
std::vector<CVar*> g_listAtRegistration;  // s_pCVarList walked just before it
std::vector<CVar*> g_staticCalls;         // the variables registerStaticCVars handed over

// Reads the protected static list (and the next links) of CVar.
struct ListPeek : CVar {
    static std::vector<CVar*> walk() {
        std::vector<CVar*> out;
        CVar* CVar::*next = &ListPeek::m_next;
        for (CVar* c = s_pCVarList; c != nullptr; c = c->*next) out.push_back(c);
        return out;
    }
    static ICVarRegistry* registry() { return s_pRegistry; }
};

// Static variables of the test program, like the library's; constructed in
// this order, so test_staticReadOnly comes first in the list.
CVar_i test_staticInt("test_staticInt", 7, 0, "static test variable", 0, 10);
CVar_b test_staticReadOnly("test_staticReadOnly", true, CVAR_READ_ONLY, nullptr);

struct RegistrationEnvironment : ::testing::Environment {
    void SetUp() override {
        static RecordingRegistry registry;
        g_registry = &registry;
        g_listAtRegistration = ListPeek::walk();
        registry.captureValues = true;
        CVar::registerStaticCVars(&registry);
        registry.captureValues = false;
        for (const Registration& r : registry.records) g_staticCalls.push_back(r.cvar);
    }
};
::testing::Environment* const g_environment = ::testing::AddGlobalTestEnvironment(new RegistrationEnvironment);

bool isModified(const CVar& v) { return (v.getFlags() & CVAR_MODIFIED) != 0; }
std::string text(const CVar& v) { return v.getValueString(); }

// Sets `input` from each start value and checks the result: `expected` as
// value string, or, when expected is null, refusal with the value kept.
template <typename V, typename T>
void expectText(V& v, std::initializer_list<T> starts, const char* input, const char* expected) {
    SCOPED_TRACE(input ? input : "(null)");
    for (T start : starts) {
        v = start;
        const std::string before = text(v);
        EXPECT_EQ(v.setValueString(input), expected != nullptr);
        EXPECT_EQ(text(v), expected ? expected : before);
    }
}

// ---------------------------------------------------------------------------
// Registration

TEST(CVarRegistration, WholeStaticListIsHandedOverOnceAndLaterVariablesAtOnce) {
    // Every registration is a distinct variable of the list, in list order;
    // the list stays.
    EXPECT_EQ(g_staticCalls, g_listAtRegistration);
    EXPECT_EQ(ListPeek::walk(), g_listAtRegistration);
    EXPECT_EQ(std::set<CVar*>(g_staticCalls.begin(), g_staticCalls.end()).size(), g_staticCalls.size());
    size_t readOnly = 0, intVar = 0;
    for (size_t i = 0; i < g_staticCalls.size(); ++i) {
        if (g_staticCalls[i] == &test_staticReadOnly) readOnly = i;
        if (g_staticCalls[i] == &test_staticInt) intVar = i;
    }
    EXPECT_EQ(readOnly + 1, intVar) << "constructed later, registered earlier";
    EXPECT_EQ(g_registry->records[readOnly].flags, CVAR_READ_ONLY);

    // Later calls register nothing and keep the first registry.
    const size_t before = g_registry->records.size();
    RecordingRegistry second;
    CVar::registerStaticCVars(&second);
    CVar::registerStaticCVars(nullptr);
    EXPECT_TRUE(second.records.empty());
    EXPECT_EQ(ListPeek::registry(), g_registry);

    // Variables made now, copies included, go to the registry at once and
    // never into the list.
    CVar_s v("test_afterRegistration", "x", 0, "after");
    CVar_s copy(v);
    ASSERT_EQ(g_registry->records.size(), before + 2);
    for (const CVar* made : {&v, &copy})
        EXPECT_EQ(g_registry->records[before + (made == &copy)].cvar, made);
    EXPECT_EQ(std::make_pair(g_registry->records[before].name, g_registry->records[before].type),
              std::make_pair(std::string("test_afterRegistration"), CVar::TYPE_STRING));
    EXPECT_EQ(ListPeek::walk(), g_listAtRegistration);
}

// Each class has its own view, copy and assignment: a default d and another
// value x, as values, input texts and value strings.
template <class V>
struct Kind;
template <>
struct Kind<CVar_b> {
    static CVar_b make(int flags) { return CVar_b("test_kind_b", false, flags, ""); }
    static constexpr bool d = false, x = true;
    static constexpr const char *dIn = "0", *xIn = "TRUE", *dOut = "false", *xOut = "true", *xMoved = "true";
};
template <>
struct Kind<CVar_i> {
    static CVar_i make(int flags) { return CVar_i("test_kind_i", 1, flags, "", 0, 9); }
    static constexpr int d = 1, x = 2;
    static constexpr const char *dIn = "1", *xIn = "2", *dOut = "1", *xOut = "2", *xMoved = "2";
};
template <>
struct Kind<CVar_f> {
    static CVar_f make(int flags) { return CVar_f("test_kind_f", 0.5f, flags, "", 0.0f, 1.0f); }
    static constexpr float d = 0.5f, x = 0.25f;
    static constexpr const char *dIn = "0.5", *xIn = "0.25", *dOut = "0.5", *xOut = "0.25", *xMoved = "0.25";
};
template <>
struct Kind<CVar_s> {
    static CVar_s make(int flags) { return CVar_s("test_kind_s", "d", flags, ""); }
    // Assignment hands over the quoted value string, taken as it stands.
    static constexpr const char *d = "d", *x = "x", *dIn = "d", *xIn = "x", *dOut = "\"d\"", *xOut = "\"x\"",
                                *xMoved = "\"\"x\"\"";
};

template <class V>
class CVarKind : public ::testing::Test {};
using Kinds = ::testing::Types<CVar_b, CVar_i, CVar_f, CVar_s>;
TYPED_TEST_SUITE(CVarKind, Kinds);

TYPED_TEST(CVarKind, ModifiedFlagReadOnlyViewsCopiesAndAssignment) {
    using K = Kind<TypeParam>;
    TypeParam v = K::make(0);  // only a real change sets the modified flag
    EXPECT_TRUE(v.setValueString(K::dIn));
    EXPECT_EQ(v.getFlags(), 0);
    v = K::x;
    EXPECT_EQ(text(v), K::xOut);
    v = K::d;
    EXPECT_EQ(std::make_tuple(text(v), v.getFlags(), v.getNumArgs()), std::make_tuple(K::dOut, CVAR_MODIFIED, 1));

    // A view reads and writes its instance, of the same type only.
    TypeParam view = K::make(0), target = K::make(0);
    target = K::x;
    ASSERT_TRUE(view.setInstance(&target));
    EXPECT_EQ(std::make_tuple(text(view), view.getFlags()), std::make_tuple(K::xOut, CVAR_MODIFIED));
    EXPECT_EQ(view.get(), target.get());
    view = K::d;
    EXPECT_EQ(text(target), K::dOut);
    EXPECT_TRUE(view.setValueString(K::xIn));
    EXPECT_EQ(text(target), K::xOut);
    CVar* other = view.getType() == CVar::TYPE_INT ? static_cast<CVar*>(&test_staticReadOnly) : &test_staticInt;
    const std::string otherText = text(*other);
    EXPECT_FALSE(view.setInstance(other));
    EXPECT_FALSE(view.setInstance(nullptr));
    EXPECT_FALSE(other->setInstance(&view));
    EXPECT_EQ(std::make_pair(text(view), text(*other)), std::make_pair(std::string(K::xOut), otherText));
    EXPECT_TRUE(view.setInstance(&view));  // back to its own, untouched value
    EXPECT_EQ(std::make_tuple(text(view), view.getFlags()), std::make_tuple(K::dOut, 0));

    // Read-only ignores every write, direct or through a view.
    TypeParam locked = K::make(CVAR_READ_ONLY);
    ASSERT_TRUE(view.setInstance(&locked));
    locked = K::x;
    view = K::x;
    EXPECT_TRUE(locked.setValueString(K::xIn)) << "parsed, but ignored";
    EXPECT_TRUE(view.setValueString(K::xIn));
    EXPECT_EQ(std::make_tuple(text(locked), locked.getFlags(), view.getFlags()),
              std::make_tuple(K::dOut, CVAR_READ_ONLY, CVAR_READ_ONLY));

    // A copy (of a view too) views the same instance, with copies of the fields.
    TypeParam copy(target);
    EXPECT_EQ(copy.getName(), target.getName()) << "the name pointer, not a copied text";
    copy = K::d;
    EXPECT_EQ(text(target), K::dOut);
    ASSERT_TRUE(view.setInstance(&target));
    TypeParam copyOfView(view);
    copyOfView = K::x;
    EXPECT_EQ(text(target), K::xOut);
    TypeParam lockedCopy(locked);
    ASSERT_TRUE(lockedCopy.setInstance(&lockedCopy));
    EXPECT_EQ(std::make_tuple(lockedCopy.getFlags(), text(lockedCopy)), std::make_tuple(CVAR_READ_ONLY, K::dOut));

    // Assignment transfers the text into the old instance, then views the source's.
    TypeParam oldTarget = K::make(0), a = K::make(0), b = K::make(0);
    b = K::x;
    ASSERT_TRUE(a.setInstance(&oldTarget));
    a = b;
    EXPECT_EQ(std::make_pair(text(oldTarget), text(a)), std::make_pair(std::string(K::xMoved), std::string(K::xOut)));
    a = K::d;
    EXPECT_EQ(std::make_pair(text(b), text(oldTarget)), std::make_pair(std::string(K::dOut), std::string(K::xMoved)));
    TypeParam& self = b;
    b = self;  // changes nothing
    EXPECT_EQ(text(b), K::dOut);
}

// ---------------------------------------------------------------------------
// What each class does on its own

TEST(CVarInt, RangeClampsAndAViewKeepsItsOwnFields) {
    CVar_i v("test_int", 50, 0, "an int", 0, 10);
    EXPECT_EQ(std::make_tuple(v.get(), v.getDefaultValue(), text(v)), std::make_tuple(10, 10, "10"));
    v = 50;  // clamps to the current value: no change
    EXPECT_FALSE(isModified(v));
    CVar_i low("test_int_low", -5, 0, "", 0, 10);
    EXPECT_EQ(std::make_tuple(low.get(), low.getDefaultValue()), std::make_tuple(0, 0));
    CVar_i m("test_minmax", 0, 0, "", 10, 5);  // a max below min becomes min
    EXPECT_EQ(std::make_tuple(m.getMinValue(), m.getMaxValue(), m.get()), std::make_tuple(10, 10, 10));

    // A view clamps to its instance's range but keeps its own fields, which
    // assignment from another variable replaces.
    CVar_i view("test_int_view", 0, 0, "", -100, 100);
    ASSERT_TRUE(view.setInstance(&v));
    view = -50;
    EXPECT_EQ(v.get(), 0);
    EXPECT_EQ(std::make_tuple(view.getMinValue(), view.getMaxValue(), view.getDefaultValue()),
              std::make_tuple(-100, 100, 0));
    CVar_i wide("test_int_wide", 70, 0, "", 0, 200);
    view = wide;
    EXPECT_EQ(std::make_tuple(view.getMinValue(), view.getMaxValue(), view.getDefaultValue()),
              std::make_tuple(0, 200, 70));
}

TEST(CVarInt, TextIsReadWithPercentDAndClamped) {
    CVar_i v("test_parse", 0, 0, "", -100, 100);
    const std::pair<const char*, const char*> cases[] = {
        {"  42", "42"}, {"+7", "7"}, {"-12xyz", "-12"}, {"3.9", "3"},   {"500", "100"},   {"-500", "-100"},
        {"abc", nullptr}, {"", nullptr}, {"-", nullptr}, {"true", nullptr}, {nullptr, nullptr}};
    for (const auto& c : cases) expectText(v, {0, 5}, c.first, c.second);

    const int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    CVar_i extremes("test_extremes", lo, 0, "", lo, hi);
    expectText(extremes, {hi}, "-2147483648", "-2147483648");
    extremes = hi;
    EXPECT_EQ(text(extremes), "2147483647");
}

TEST(CVarBool, IntegersOrTheWholeWordTrueOrFalseInAnyCase) {
    const std::pair<const char*, const char*> cases[] = {
        {"FaLsE", "false"}, {"0", "false"}, {"-0", "false"}, {"2", "true"},       {"tRuE", "true"},
        {"-1", "true"},     {" 5", "true"}, {"3abc", "true"}, {"truely", nullptr}, {"TRUE ", nullptr},
        {" true", nullptr}, {"yes", nullptr}, {"", nullptr},  {"FALSEFALSE", nullptr}, {nullptr, nullptr}};
    for (const auto& c : cases) expectText(rt_primaryBeams, {false, true}, c.first, c.second);
    rt_primaryBeams = true;
    EXPECT_TRUE(static_cast<bool>(rt_primaryBeams));
}

TEST(CVarFloat, TextFormattingAndNotANumber) {
    const float big = std::numeric_limits<float>::max();
    CVar_f f("test_float_fmt", 0.0f, 0, "", -big, big);
    EXPECT_EQ(text(f), "0");
    const std::pair<const char*, const char*> cases[] = {
        {"1.5", "1.5"}, {"1e-5", "1e-05"}, {"0.1", "0.1"}, {"nan", "-3.40282e+38"}, {"abc", nullptr}, {nullptr, nullptr}};
    for (const auto& c : cases) expectText(f, {0.0f, 2.0f}, c.first, c.second);
    f = -std::numeric_limits<float>::denorm_min();
    EXPECT_LT(text(f).size(), 16u);

    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    CVar_f g("test_nan", 1.0f, 0, "", 0.25f, 4.0f);
    g = nan;
    EXPECT_EQ(std::make_tuple(g.get(), text(g), isModified(g)), std::make_tuple(0.25f, "0.25", true));
    g = inf;
    EXPECT_EQ(g.get(), 4.0f);
    g = -inf;
    EXPECT_EQ(g.get(), 0.25f);
    CVar_f minMax("test_minmax_f", 0.0f, 0, "", 10.0f, 5.0f);
    EXPECT_EQ(std::make_tuple(minMax.getMaxValue(), minMax.get()), std::make_tuple(10.0f, 10.0f));
    CVar_f fromNaN("test_nan_default", nan, 0, "", -1.0f, 1.0f);
    EXPECT_EQ(std::make_tuple(fromNaN.get(), fromNaN.getDefaultValue(), text(fromNaN)),
              std::make_tuple(-1.0f, -1.0f, "-1"));
}

TEST(CVarString, QuotedValueStringAndNullTexts) {
    CVar_s s("test_s", "hello", 0, "a string");
    EXPECT_EQ(std::make_tuple(std::string(s.get()), std::string(s.getDefaultValue()), text(s)),
              std::make_tuple("hello", "hello", "\"hello\""));
    expectText(s, {"x"}, "any text at all, 1 2 3", "\"any text at all, 1 2 3\"");
    const std::string longText(200, 'x');  // longer than the inline buffer of String
    s = longText.c_str();
    EXPECT_EQ(text(s), "\"" + longText + "\"");

    // Null: setValueString refuses it; set takes it as the empty text.
    EXPECT_FALSE(s.setValueString(nullptr));
    EXPECT_EQ(std::string(s.get()), longText);
    s.set(nullptr);
    EXPECT_EQ(std::make_tuple(std::string(s.get()), text(s)), std::make_tuple("", "\"\""));
    CVar_s fromNull("test_s_null", nullptr, 0, nullptr);
    EXPECT_EQ(std::make_tuple(std::string(fromNull.get()), text(fromNull), std::string(fromNull.getDescription())),
              std::make_tuple("", "\"\"", ""));

    // Set from its own texts: the value string being replaced is the source.
    CVar_s self("test_s_self", "abc", 0, "");
    self.set(self.getValueString());
    EXPECT_EQ(std::make_tuple(std::string(self.get()), text(self)), std::make_tuple("\"abc\"", "\"\"abc\"\""));
    self.set(self.get());
    EXPECT_STREQ(self.get(), "\"abc\"");
}

}  // namespace
