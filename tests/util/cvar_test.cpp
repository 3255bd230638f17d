// Console variables.
//
// CVar::s_pRegistry is process-global and registerStaticCVars works only
// once, so the registration happens exactly once per process, in a gtest
// Environment whose SetUp runs before any test (whatever filter or order the
// tests run in). Every test below may therefore rely on a registry being set:
// the variables tests construct are handed to the recording registry at once
// and never enter the static list. (A variable constructed before
// registration must outlive it, because destructors do not unlink it from
// the static list - which is why no test constructs one.)
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "hox/cvar.h"
#include "hox/hox.h"
#include "util/cvars.h"

namespace {

using namespace hox::util;

// ---------------------------------------------------------------------------
// Recording registry

struct Registration {
    CVar* cvar;
    std::string name;
    CVar::EType type;
    // Only filled while captureValues is set (registerStaticCVars hands over
    // fully constructed variables; a variable registered from its base
    // constructor has no typed part yet, so its virtuals must not be called).
    std::string valueString;
    int flags;
};

class RecordingRegistry : public ICVarRegistry {
public:
    bool registerCVar(CVar* cvar) override {
        Registration r{cvar, cvar->getName(), cvar->getType(), std::string(), -1};
        if (captureValues) {
            r.valueString = cvar->getValueString();
            r.flags = cvar->getFlags();
        }
        records.push_back(r);
        return true;
    }

    bool captureValues = false;
    std::vector<Registration> records;
};

RecordingRegistry* g_registry = nullptr;
size_t g_staticRecordCount = 0;     // records made by registerStaticCVars
std::vector<CVar*> g_listAtRegistration;  // s_pCVarList walked just before it

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

// Variables of the test program constructed by static initialisation, like
// the library's: they also stand in the static list, before or after the
// library's block (C++ does not order the two files). Constructed in this
// order, so test_staticReadOnly comes first in the list.
CVar_i test_staticInt("test_staticInt", 7, 0, "static test variable", 0, 10);
CVar_b test_staticReadOnly("test_staticReadOnly", true, CVAR_READ_ONLY, nullptr);

class RegistrationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static RecordingRegistry registry;
        g_registry = &registry;
        g_listAtRegistration = ListPeek::walk();
        registry.captureValues = true;
        CVar::registerStaticCVars(&registry);
        registry.captureValues = false;
        g_staticRecordCount = registry.records.size();
    }
};

::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new RegistrationEnvironment);

// ---------------------------------------------------------------------------
// The library's variables, in construction order.

struct Expected {
    const CVar* cvar;
    const char* name;
    CVar::EType type;
    const char* valueString;
    const char* description;
    double defaultValue, minValue, maxValue;  // for bool: default only
};

std::vector<Expected> libraryTable() {
    const CVar::EType B = CVar::TYPE_BOOL, I = CVar::TYPE_INT, F = CVar::TYPE_FLOAT;
    return {
        {&rt_statsInterval, "rt_statsInterval", I, "1000", "", 1000, 100, 10000},
        {&rt_rebuild, "rt_rebuild", B, "false", "", 0, 0, 0},
        {&rt_internalScale, "rt_internalScale", F, "1", "", 1.0f, 0.1f, 2.0f},
        {&rt_disableStaticFrames, "rt_disableStaticFrames", B, "false", "", 0, 0, 0},
        {&rt_compressionStats, "rt_compressionStats", B, "false", "", 0, 0, 0},
        {&rt_lockRenderThreads, "rt_lockRenderThreads", B, "true",
         "Lock each render thread to a fixed cpu core", 1, 0, 0},
        {&rt_bvhDebugLevel_renderThreads, "rt_bvhDebugLevel", I, "-1", "", -1, -1, 128},
        {&rt_randTest, "rt_randTest", B, "false", "", 0, 0, 0},
        {&rt_primaryBeams, "rt_primaryBeams", B, "true", "", 1, 0, 0},
        {&rt_debugShade, "rt_debugShade", I, "0", "", 0, 0, 2},
        {&rt_bvhDebugLevel_engine, "rt_bvhDebugLevel", I, "-1", "", -1, -1, 128},
        {&rt_beamMinSize, "rt_beamMinSize", I, "2", "", 2, 1, 16},
        {&rt_debugTileId, "rt_debugTileId", I, "-1", "", -1, -1, 4096},
        {&rt_triVertCull, "rt_triVertCull", B, "true", "", 1, 0, 0},
        {&rt_beamCull, "rt_beamCull", B, "true", "", 1, 0, 0},
        {&rt_bvhDebugLevel_trace, "rt_bvhDebugLevel", I, "-1", "", -1, -1, 128},
        {&rt_bvhLeafCutoff, "rt_bvhLeafCutoff", I, "4", "", 4, 1, 64},
        {&rt_isectAlg, "rt_isectAlg", I, "2", "0 - MT, 1 - BC, 2 - BC sse", 2, 0, 2},
        {&rt_bvhPrintBuildStats, "rt_bvhPrintBuildStats", I, "0",
         "Prints build statistics for BVH", 0, 0, 2147483647.0},
        {&rt_bvhUseCentroids, "rt_bvhUseCentroids", B, "true", "", 1, 0, 0},
        {&rt_bvhNumBins, "rt_bvhNumBins", I, "16", "", 16, 4, 32},
        {&rt_bvhBadSplitThreshold, "rt_bvhBadSplitThreshold", F, "0.9", "", 0.9f, 0.6f, 1.0f},
    };
}

bool isModified(const CVar& v) { return (v.getFlags() & CVAR_MODIFIED) != 0; }

// ---------------------------------------------------------------------------
// Registration

TEST(CVarRegistration, LibraryVariablesArriveInReverseTableOrder) {
    ASSERT_NE(g_registry, nullptr);
    const std::vector<Expected> table = libraryTable();
    ASSERT_EQ(table.size(), 22u);

    std::set<const CVar*> library;
    for (const Expected& e : table) library.insert(e.cvar);
    ASSERT_EQ(library.size(), 22u) << "three distinct rt_bvhDebugLevel objects";

    // The static registrations that are library variables, in call order.
    std::vector<size_t> positions;
    for (size_t i = 0; i < g_staticRecordCount; ++i) {
        if (library.count(g_registry->records[i].cvar)) positions.push_back(i);
    }
    ASSERT_EQ(positions.size(), 22u) << "each library variable registered exactly once";
    // One translation unit: the block is contiguous in the list.
    EXPECT_EQ(positions.back() - positions.front(), 21u);

    for (size_t k = 0; k < 22; ++k) {
        const Registration& r = g_registry->records[positions[k]];
        const Expected& e = table[21 - k];  // reverse of the table
        SCOPED_TRACE(e.name);
        EXPECT_EQ(r.cvar, e.cvar);
        EXPECT_EQ(r.name, e.name);
        EXPECT_EQ(r.type, e.type);
        EXPECT_EQ(r.valueString, e.valueString);
        EXPECT_EQ(r.flags, 0);
        EXPECT_STREQ(e.cvar->getDescription(), e.description);
        EXPECT_EQ(e.cvar->getNumArgs(), 1);
        switch (e.type) {
            case CVar::TYPE_BOOL: {
                const CVar_b& b = static_cast<const CVar_b&>(*e.cvar);
                EXPECT_EQ(b.getDefaultValue(), e.defaultValue != 0);
                break;
            }
            case CVar::TYPE_INT: {
                const CVar_i& v = static_cast<const CVar_i&>(*e.cvar);
                EXPECT_EQ(v.getDefaultValue(), static_cast<int>(e.defaultValue));
                EXPECT_EQ(v.getMinValue(), static_cast<int>(e.minValue));
                EXPECT_EQ(v.getMaxValue(), static_cast<int>(e.maxValue));
                break;
            }
            case CVar::TYPE_FLOAT: {
                const CVar_f& v = static_cast<const CVar_f&>(*e.cvar);
                EXPECT_EQ(v.getDefaultValue(), static_cast<float>(e.defaultValue));
                EXPECT_EQ(v.getMinValue(), static_cast<float>(e.minValue));
                EXPECT_EQ(v.getMaxValue(), static_cast<float>(e.maxValue));
                break;
            }
            default:
                ADD_FAILURE() << "no string variables in the table";
        }
    }
}

TEST(CVarRegistration, TestStaticVariablesAreRegisteredToo) {
    // Every registration of registerStaticCVars is a distinct variable of the
    // list, in list order; the test program's own statics are among them.
    std::vector<CVar*> calls;
    for (size_t i = 0; i < g_staticRecordCount; ++i) calls.push_back(g_registry->records[i].cvar);
    EXPECT_EQ(calls, g_listAtRegistration);
    EXPECT_EQ(std::set<CVar*>(calls.begin(), calls.end()).size(), calls.size());
    EXPECT_GE(calls.size(), 24u);  // the 22 of the library and the 2 above

    size_t readOnly = calls.size(), intVar = calls.size();
    for (size_t i = 0; i < calls.size(); ++i) {
        if (calls[i] == &test_staticReadOnly) readOnly = i;
        if (calls[i] == &test_staticInt) intVar = i;
    }
    ASSERT_LT(readOnly, calls.size());
    ASSERT_LT(intVar, calls.size());
    EXPECT_EQ(readOnly + 1, intVar) << "constructed later, registered earlier";
    EXPECT_EQ(g_registry->records[readOnly].valueString, "true");
    EXPECT_EQ(g_registry->records[readOnly].flags, CVAR_READ_ONLY);
    EXPECT_EQ(g_registry->records[intVar].valueString, "7");
    EXPECT_STREQ(test_staticReadOnly.getDescription(), "") << "null description becomes empty";
}

TEST(CVarRegistration, ListStaysUnchanged) {
    EXPECT_EQ(ListPeek::walk(), g_listAtRegistration);
    EXPECT_EQ(ListPeek::registry(), g_registry);
}

TEST(CVarRegistration, SecondCallRegistersNothing) {
    const size_t before = g_registry->records.size();
    RecordingRegistry second;
    CVar::registerStaticCVars(&second);
    CVar::registerStaticCVars(g_registry);
    CVar::registerStaticCVars(nullptr);
    EXPECT_TRUE(second.records.empty());
    EXPECT_EQ(g_registry->records.size(), before);
    EXPECT_EQ(ListPeek::registry(), g_registry);

    // Still the first registry that receives new variables.
    CVar_b later("test_later", false, 0, "");
    EXPECT_TRUE(second.records.empty());
    EXPECT_EQ(g_registry->records.size(), before + 1);
}

TEST(CVarRegistration, VariableConstructedAfterRegistrationIsRegisteredAtOnce) {
    const size_t before = g_registry->records.size();
    CVar_i v("test_afterRegistration", 3, 0, "after", 0, 9);
    ASSERT_EQ(g_registry->records.size(), before + 1);
    EXPECT_EQ(g_registry->records.back().cvar, &v);
    EXPECT_EQ(g_registry->records.back().name, "test_afterRegistration");
    EXPECT_EQ(g_registry->records.back().type, CVar::TYPE_INT);

    CVar_i copy(v);  // a copy is a new variable: registered at once too
    ASSERT_EQ(g_registry->records.size(), before + 2);
    EXPECT_EQ(g_registry->records.back().cvar, &copy);
    EXPECT_EQ(g_registry->records.back().name, "test_afterRegistration");

    CVar_s s("test_string", "x", 0, "");
    CVar_f f("test_float", 1.0f, 0, "", 0.0f, 2.0f);
    ASSERT_EQ(g_registry->records.size(), before + 4);
    EXPECT_EQ(g_registry->records[before + 2].type, CVar::TYPE_STRING);
    EXPECT_EQ(g_registry->records[before + 3].type, CVar::TYPE_FLOAT);

    // Not in the static list.
    for (CVar* c : ListPeek::walk()) {
        EXPECT_NE(c, &v);
        EXPECT_NE(c, &copy);
    }
}

// ---------------------------------------------------------------------------
// Edge cases, on the library's variables

TEST(CVarLibrary, StatsIntervalClampsText) {
    EXPECT_TRUE(rt_statsInterval.setValueString("50"));
    EXPECT_EQ(rt_statsInterval.get(), 100);
    EXPECT_STREQ(rt_statsInterval.getValueString(), "100");
    EXPECT_TRUE(rt_statsInterval.setValueString("20000"));
    EXPECT_EQ(rt_statsInterval.get(), 10000);
    EXPECT_STREQ(rt_statsInterval.getValueString(), "10000");
    EXPECT_TRUE(isModified(rt_statsInterval));

    rt_statsInterval = 1000;
    EXPECT_EQ(static_cast<int>(rt_statsInterval), 1000);
    EXPECT_STREQ(rt_statsInterval.getValueString(), "1000");
}

TEST(CVarLibrary, NonNumberTextLeavesIntUnchanged) {
    const int value = rt_bvhNumBins.get();
    const std::string text = rt_bvhNumBins.getValueString();
    for (const char* bad : {"abc", "", " ", "x12", "-", "true"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(rt_bvhNumBins.setValueString(bad));
        EXPECT_EQ(rt_bvhNumBins.get(), value);
        EXPECT_EQ(rt_bvhNumBins.getValueString(), text);
    }
    EXPECT_FALSE(rt_bvhNumBins.setValueString(nullptr));
    EXPECT_EQ(rt_bvhNumBins.get(), value);
}

TEST(CVarLibrary, PrimaryBeamsParsesBoolText) {
    for (const char* no : {"FALSE", "false", "0", "FaLsE", "-0"}) {
        SCOPED_TRACE(no);
        rt_primaryBeams = true;
        EXPECT_TRUE(rt_primaryBeams.setValueString(no));
        EXPECT_FALSE(rt_primaryBeams.get());
        EXPECT_STREQ(rt_primaryBeams.getValueString(), "false");
    }
    for (const char* yes : {"2", "TRUE", "true", "tRuE", "1", "-1", " 5", "3abc"}) {
        SCOPED_TRACE(yes);
        rt_primaryBeams = false;
        EXPECT_TRUE(rt_primaryBeams.setValueString(yes));
        EXPECT_TRUE(rt_primaryBeams.get());
        EXPECT_STREQ(rt_primaryBeams.getValueString(), "true");
    }
    // Whole text only: longer words that begin with TRUE/FALSE, other words,
    // and the empty text are refused and change nothing.
    rt_primaryBeams = false;
    for (const char* bad : {"truely", "TRUE ", " true", "falsehood", "yes", "", "t", "FALSEFALSE"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(rt_primaryBeams.setValueString(bad));
        EXPECT_FALSE(rt_primaryBeams.get());
        EXPECT_STREQ(rt_primaryBeams.getValueString(), "false");
    }
    EXPECT_FALSE(rt_primaryBeams.setValueString(nullptr));
    rt_primaryBeams = true;
    EXPECT_TRUE(static_cast<bool>(rt_primaryBeams));
}

TEST(CVarLibrary, FloatDefaultsFormatWithG) {
    EXPECT_STREQ(rt_bvhBadSplitThreshold.getValueString(), "0.9");
    EXPECT_EQ(rt_bvhBadSplitThreshold.get(), 0.9f);
    EXPECT_STREQ(rt_internalScale.getValueString(), "1");
}

TEST(CVarLibrary, ThreeBvhDebugLevelsAreSeparateObjects) {
    rt_bvhDebugLevel_renderThreads = 5;
    EXPECT_EQ(rt_bvhDebugLevel_engine.get(), -1);
    EXPECT_EQ(rt_bvhDebugLevel_trace.get(), -1);
    // A registry would tie the later definitions to the first one:
    CVar_i view(rt_bvhDebugLevel_trace);
    EXPECT_TRUE(view.setInstance(&rt_bvhDebugLevel_renderThreads));
    EXPECT_EQ(view.get(), 5);
    rt_bvhDebugLevel_renderThreads = -1;
    EXPECT_EQ(view.get(), -1);
}

// ---------------------------------------------------------------------------
// Typed behaviour

TEST(CVarInt, ConstructionClampsAndFormats) {
    CVar_i v("test_int", 50, 0, "an int", 0, 10);
    EXPECT_EQ(v.get(), 10);
    EXPECT_EQ(v.getDefaultValue(), 10);
    EXPECT_STREQ(v.getValueString(), "10");
    EXPECT_STREQ(v.getName(), "test_int");
    EXPECT_STREQ(v.getDescription(), "an int");
    EXPECT_EQ(v.getType(), CVar::TYPE_INT);
    EXPECT_EQ(v.getFlags(), 0);
    EXPECT_EQ(v.getNumArgs(), 1);

    CVar_i low("test_int_low", -5, 0, "", 0, 10);
    EXPECT_EQ(low.get(), 0);
    EXPECT_EQ(low.getDefaultValue(), 0);
}

TEST(CVarInt, MaxBelowMinBecomesMin) {
    CVar_i v("test_minmax", 0, 0, "", 10, 5);
    EXPECT_EQ(v.getMinValue(), 10);
    EXPECT_EQ(v.getMaxValue(), 10);
    EXPECT_EQ(v.get(), 10);
    EXPECT_STREQ(v.getValueString(), "10");
    v = 3;
    EXPECT_EQ(v.get(), 10);
    v = 30;
    EXPECT_EQ(v.get(), 10);
    EXPECT_FALSE(isModified(v));

    CVar_f f("test_minmax_f", 0.0f, 0, "", 10.0f, 5.0f);
    EXPECT_EQ(f.getMinValue(), 10.0f);
    EXPECT_EQ(f.getMaxValue(), 10.0f);
    EXPECT_EQ(f.get(), 10.0f);
}

TEST(CVarInt, ExtremesFitTheValueString) {
    const int lo = std::numeric_limits<int>::min(), hi = std::numeric_limits<int>::max();
    CVar_i v("test_extremes", lo, 0, "", lo, hi);
    EXPECT_STREQ(v.getValueString(), "-2147483648");
    v = hi;
    EXPECT_STREQ(v.getValueString(), "2147483647");
    EXPECT_TRUE(v.setValueString("-2147483648"));
    EXPECT_EQ(v.get(), lo);
}

TEST(CVarInt, TextParsing) {
    CVar_i v("test_parse", 0, 0, "", -100, 100);
    EXPECT_TRUE(v.setValueString("  42"));
    EXPECT_EQ(v.get(), 42);
    EXPECT_TRUE(v.setValueString("+7"));
    EXPECT_EQ(v.get(), 7);
    EXPECT_TRUE(v.setValueString("-12xyz"));  // "%d" reads the leading number
    EXPECT_EQ(v.get(), -12);
    EXPECT_STREQ(v.getValueString(), "-12");
    EXPECT_TRUE(v.setValueString("3.9"));
    EXPECT_EQ(v.get(), 3);
}

TEST(CVarModified, SameValueLeavesModifiedClear) {
    CVar_i i("test_mod_i", 5, 0, "", 0, 10);
    CVar_b b("test_mod_b", true, 0, "");
    CVar_f f("test_mod_f", 0.5f, 0, "", 0.0f, 1.0f);
    CVar_s s("test_mod_s", "abc", 0, "");

    i = 5;
    EXPECT_TRUE(i.setValueString("5"));
    i = 50;  // clamps to 10 ... which differs, so this one does modify
    EXPECT_TRUE(isModified(i));

    CVar_i j("test_mod_j", 10, 0, "", 0, 10);
    j = 50;  // clamps to the current value 10: no change
    EXPECT_FALSE(isModified(j));

    b = true;
    EXPECT_TRUE(b.setValueString("TRUE"));
    EXPECT_TRUE(b.setValueString("1"));
    EXPECT_FALSE(isModified(b));

    f = 0.5f;
    EXPECT_TRUE(f.setValueString("0.5"));
    EXPECT_FALSE(isModified(f));

    s = "abc";
    EXPECT_TRUE(s.setValueString("abc"));
    EXPECT_FALSE(isModified(s));

    // A real change sets the bit; changing back never clears it.
    b = false;
    EXPECT_TRUE(isModified(b));
    b = true;
    EXPECT_TRUE(isModified(b));
    f = 0.25f;
    EXPECT_TRUE(isModified(f));
    s = "def";
    EXPECT_TRUE(isModified(s));
}

TEST(CVarFloat, NaNTakesMin) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    CVar_f f("test_nan", 1.0f, 0, "", 0.25f, 4.0f);
    f = nan;
    EXPECT_EQ(f.get(), 0.25f);
    EXPECT_STREQ(f.getValueString(), "0.25");
    EXPECT_TRUE(isModified(f));

    f = 2.0f;
    EXPECT_TRUE(f.setValueString("nan"));
    EXPECT_EQ(f.get(), 0.25f);

    f = inf;
    EXPECT_EQ(f.get(), 4.0f);
    f = -inf;
    EXPECT_EQ(f.get(), 0.25f);

    CVar_f fromNaN("test_nan_default", nan, 0, "", -1.0f, 1.0f);
    EXPECT_EQ(fromNaN.get(), -1.0f);
    EXPECT_EQ(fromNaN.getDefaultValue(), -1.0f);
    EXPECT_STREQ(fromNaN.getValueString(), "-1");
}

TEST(CVarFloat, TextAndFormatting) {
    const float big = std::numeric_limits<float>::max();
    CVar_f f("test_float_fmt", 0.0f, 0, "", -big, big);
    EXPECT_STREQ(f.getValueString(), "0");
    EXPECT_TRUE(f.setValueString("1.5"));
    EXPECT_EQ(f.get(), 1.5f);
    EXPECT_STREQ(f.getValueString(), "1.5");
    EXPECT_TRUE(f.setValueString("1e-5"));
    EXPECT_STREQ(f.getValueString(), "1e-05");
    f = -big;
    EXPECT_STREQ(f.getValueString(), "-3.40282e+38");
    f = -std::numeric_limits<float>::denorm_min();
    EXPECT_LT(std::strlen(f.getValueString()), 16u);
    f = 0.1f;
    EXPECT_STREQ(f.getValueString(), "0.1");
    EXPECT_FALSE(f.setValueString("abc"));
    EXPECT_FALSE(f.setValueString(nullptr));
    EXPECT_EQ(f.get(), 0.1f);
    EXPECT_EQ(static_cast<float>(f), 0.1f);
    EXPECT_EQ(f.getNumArgs(), 1);
    EXPECT_EQ(f.getType(), CVar::TYPE_FLOAT);
}

TEST(CVarInstance, RedirectedBoolReadsAndWritesTheOther) {
    CVar_b a("test_view", false, 0, "");
    CVar_b b("test_target", true, 0, "");
    CVar_i i("test_other_type", 1, 0, "", 0, 9);

    EXPECT_TRUE(a.setInstance(&b));
    EXPECT_TRUE(a.get());
    EXPECT_TRUE(static_cast<bool>(a));
    EXPECT_STREQ(a.getValueString(), "true");
    EXPECT_FALSE(a.getDefaultValue()) << "own default, not the instance's";

    a = false;
    EXPECT_FALSE(b.get());
    EXPECT_STREQ(b.getValueString(), "false");
    EXPECT_TRUE(isModified(b));
    EXPECT_TRUE(isModified(a)) << "flags are read through the instance";

    EXPECT_TRUE(a.setValueString("true"));
    EXPECT_TRUE(b.get());
    b = false;
    EXPECT_FALSE(a.get());

    // Another type, or null: refused, the view stays.
    EXPECT_FALSE(a.setInstance(&i));
    EXPECT_FALSE(a.setInstance(nullptr));
    EXPECT_FALSE(i.setInstance(&a));
    b = true;
    EXPECT_TRUE(a.get());
    EXPECT_EQ(i.get(), 1);

    // Back to itself: a's own value was never touched.
    EXPECT_TRUE(a.setInstance(&a));
    EXPECT_FALSE(a.get());
    EXPECT_FALSE(isModified(a));
}

TEST(CVarInstance, ViewUsesTheInstanceRangeAndReadOnlyBit) {
    CVar_i target("test_ro_target", 5, CVAR_READ_ONLY, "", 0, 10);
    CVar_i view("test_ro_view", 0, 0, "", -100, 100);
    ASSERT_TRUE(view.setInstance(&target));
    EXPECT_EQ(view.getFlags(), CVAR_READ_ONLY);
    view = 7;
    EXPECT_TRUE(view.setValueString("8"));
    EXPECT_EQ(target.get(), 5);

    CVar_i rangeTarget("test_range_target", 5, 0, "", 0, 10);
    ASSERT_TRUE(view.setInstance(&rangeTarget));
    view = 50;  // clamped to the instance's max, not the view's
    EXPECT_EQ(rangeTarget.get(), 10);
    EXPECT_EQ(view.getMaxValue(), 100) << "own fields";

    CVar_f ft("test_view_f", 1.0f, 0, "", 0.0f, 2.0f), fv("test_view_f2", 0.0f, 0, "", 0.0f, 1.0f);
    ASSERT_TRUE(fv.setInstance(&ft));
    EXPECT_STREQ(fv.getValueString(), "1");
    fv = 1.5f;
    EXPECT_EQ(ft.get(), 1.5f);

    CVar_s st("test_view_s", "a", 0, ""), sv("test_view_s2", "b", 0, "");
    ASSERT_TRUE(sv.setInstance(&st));
    EXPECT_STREQ(sv.get(), "a");
    EXPECT_STREQ(sv.getDefaultValue(), "b");
    sv = "c";
    EXPECT_STREQ(st.get(), "c");
    EXPECT_STREQ(st.getValueString(), "\"c\"");
    EXPECT_FALSE(sv.setInstance(&ft));
}

TEST(CVarReadOnly, WritesAreIgnoredSilently) {
    CVar_i i("test_ro_i", 3, CVAR_READ_ONLY, "", 0, 10);
    CVar_b b("test_ro_b", false, CVAR_READ_ONLY, "");
    CVar_f f("test_ro_f", 0.5f, CVAR_READ_ONLY, "", 0.0f, 1.0f);
    CVar_s s("test_ro_s", "fixed", CVAR_READ_ONLY, "");

    i = 4;
    i.set(5);
    EXPECT_TRUE(i.setValueString("6"));  // parsed: true, but ignored
    EXPECT_FALSE(i.setValueString("six"));
    EXPECT_EQ(i.get(), 3);
    EXPECT_STREQ(i.getValueString(), "3");

    b = true;
    EXPECT_TRUE(b.setValueString("true"));
    EXPECT_TRUE(b.setValueString("1"));
    EXPECT_FALSE(b.get());

    f = 0.75f;
    EXPECT_TRUE(f.setValueString("0.25"));
    EXPECT_EQ(f.get(), 0.5f);

    s = "other";
    EXPECT_TRUE(s.setValueString("other"));
    EXPECT_STREQ(s.get(), "fixed");
    EXPECT_STREQ(s.getValueString(), "\"fixed\"");

    for (const CVar* v : std::initializer_list<const CVar*>{&i, &b, &f, &s}) {
        EXPECT_EQ(v->getFlags(), CVAR_READ_ONLY) << v->getName();
    }

    // The program's static read-only variable.
    test_staticReadOnly = false;
    EXPECT_TRUE(test_staticReadOnly.setValueString("false"));
    EXPECT_TRUE(test_staticReadOnly.get());
}

TEST(CVarString, QuotedValueStringAndNullTexts) {
    CVar_s s("test_s", "hello", 0, "a string");
    EXPECT_STREQ(s.get(), "hello");
    EXPECT_STREQ(static_cast<const char*>(s), "hello");
    EXPECT_STREQ(s.getDefaultValue(), "hello");
    EXPECT_STREQ(s.getValueString(), "\"hello\"");
    EXPECT_EQ(s.getType(), CVar::TYPE_STRING);
    EXPECT_EQ(s.getNumArgs(), 1);

    EXPECT_TRUE(s.setValueString("any text at all, 1 2 3"));
    EXPECT_STREQ(s.get(), "any text at all, 1 2 3");
    EXPECT_STREQ(s.getValueString(), "\"any text at all, 1 2 3\"");

    // Longer than the inline buffer of String.
    const std::string longText(200, 'x');
    s = longText.c_str();
    EXPECT_EQ(std::string(s.get()), longText);
    EXPECT_EQ(std::string(s.getValueString()), "\"" + longText + "\"");

    // Null: setValueString refuses it; set takes it as the empty text.
    EXPECT_FALSE(s.setValueString(nullptr));
    EXPECT_EQ(std::string(s.get()), longText);
    s.set(nullptr);
    EXPECT_STREQ(s.get(), "");
    EXPECT_STREQ(s.getValueString(), "\"\"");

    CVar_s fromNull("test_s_null", nullptr, 0, nullptr);
    EXPECT_STREQ(fromNull.get(), "");
    EXPECT_STREQ(fromNull.getDefaultValue(), "");
    EXPECT_STREQ(fromNull.getValueString(), "\"\"");
    EXPECT_STREQ(fromNull.getDescription(), "");
}

TEST(CVarString, SetFromItsOwnTexts) {
    CVar_s s("test_s_self", "abc", 0, "");
    s.set(s.getValueString());  // aliases the value string being replaced
    EXPECT_STREQ(s.get(), "\"abc\"");
    EXPECT_STREQ(s.getValueString(), "\"\"abc\"\"");
    s.set(s.get());
    EXPECT_STREQ(s.get(), "\"abc\"");
}

// ---------------------------------------------------------------------------
// Copy construction and copy assignment

TEST(CVarCopy, CopyConstructorIsAViewOfTheSameInstance) {
    CVar_i original("test_copy", 4, 0, "desc", 0, 8);
    CVar_i copy(original);
    EXPECT_STREQ(copy.getName(), original.getName());
    EXPECT_EQ(copy.getName(), original.getName()) << "name pointer not copied as text";
    EXPECT_EQ(copy.getDescription(), original.getDescription());
    EXPECT_EQ(copy.getType(), CVar::TYPE_INT);
    EXPECT_EQ(copy.get(), 4);
    EXPECT_EQ(copy.getMinValue(), 0);
    EXPECT_EQ(copy.getMaxValue(), 8);
    EXPECT_STREQ(copy.getValueString(), "4");

    copy = 6;
    EXPECT_EQ(original.get(), 6);
    original = 2;
    EXPECT_EQ(copy.get(), 2);
    EXPECT_STREQ(copy.getValueString(), "2");

    // A copy of a view views the same instance.
    CVar_i other("test_copy_other", 1, 0, "", 0, 8);
    ASSERT_TRUE(other.setInstance(&original));
    CVar_i copyOfView(other);
    copyOfView = 7;
    EXPECT_EQ(original.get(), 7);
    EXPECT_EQ(other.get(), 7);

    // Flags of the object itself are copied.
    CVar_b ro("test_copy_ro", true, CVAR_READ_ONLY, "");
    CVar_b roCopy(ro);
    EXPECT_EQ(roCopy.getFlags(), CVAR_READ_ONLY);

    CVar_s s("test_copy_s", "text", 0, "");
    CVar_s sCopy(s);
    EXPECT_STREQ(sCopy.getValueString(), "\"text\"");
    sCopy = "changed";
    EXPECT_STREQ(s.get(), "changed");

    CVar_f f("test_copy_f", 0.5f, 0, "", 0.0f, 1.0f);
    CVar_f fCopy(f);
    fCopy = 0.75f;
    EXPECT_EQ(f.get(), 0.75f);
    EXPECT_STREQ(f.getValueString(), "0.75");
}

TEST(CVarCopy, AssignmentTransfersTextThenBecomesAView) {
    CVar_i oldTarget("test_assign_old", 0, 0, "", 0, 100);
    CVar_i a("test_assign_a", 0, 0, "", 0, 100);
    CVar_i b("test_assign_b", 70, 0, "", 0, 200);
    ASSERT_TRUE(a.setInstance(&oldTarget));

    a = b;
    // The text went into a's instance before the assignment, clamped by its range.
    EXPECT_EQ(oldTarget.get(), 70);
    EXPECT_TRUE(isModified(oldTarget));
    // a now views b's instance and carries b's own fields.
    EXPECT_EQ(a.get(), 70);
    EXPECT_EQ(a.getMaxValue(), 200);
    EXPECT_EQ(a.getDefaultValue(), 70);
    a = 150;
    EXPECT_EQ(b.get(), 150);
    EXPECT_EQ(oldTarget.get(), 70);

    // Assigning to a variable viewing itself changes its own value first.
    CVar_b x("test_assign_x", false, 0, ""), y("test_assign_y", true, 0, "");
    x = y;
    EXPECT_TRUE(x.get());
    x = false;
    EXPECT_FALSE(y.get());

    // Self-assignment leaves the variable as it was.
    CVar_f f("test_assign_f", 0.5f, 0, "", 0.0f, 1.0f);
    CVar_f& fRef = f;
    f = fRef;
    EXPECT_EQ(f.get(), 0.5f);
    EXPECT_FALSE(isModified(f));
    CVar_s s("test_assign_self_s", "abc", 0, "");
    CVar_s& sRef = s;
    s = sRef;
    EXPECT_STREQ(s.get(), "abc");
    EXPECT_FALSE(isModified(s));
}

TEST(CVarCopy, StringAssignmentCarriesQuotesIntoTheOldInstance) {
    // The base text transfer hands over the quoted value string, which a
    // string variable takes as it stands.
    CVar_s oldTarget("test_sassign_old", "", 0, "");
    CVar_s a("test_sassign_a", "", 0, "");
    CVar_s b("test_sassign_b", "value", 0, "");
    ASSERT_TRUE(a.setInstance(&oldTarget));
    a = b;
    EXPECT_STREQ(oldTarget.get(), "\"value\"");
    EXPECT_STREQ(a.get(), "value");
    EXPECT_STREQ(a.getValueString(), "\"value\"");
    a = "new";
    EXPECT_STREQ(b.get(), "new");
}

}  // namespace
