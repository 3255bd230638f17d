#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "hox/render_attributes.h"
#include "scene/attribute_state.h"
#include "scene/render_attributes.h"

namespace {

using namespace hox;
using namespace hox::scene;

std::vector<int> members(const LightSet& set) { return std::vector<int>(set.begin(), set.end()); }

void setLights(LightSet& set, std::initializer_list<int32_t> values) {
    set.assign(values.begin(), static_cast<int>(values.size()));
}

void setList(RenderAttributesRecord& a, int id, std::initializer_list<int> values) {
    setRenderAttribute1iv(a, id, static_cast<int>(values.size()), values.begin());
}

TEST(AttributeState, RootStateSeesEveryRayKind) {
    AttributeState root;
    EXPECT_EQ(root.givenMask, 0u);
    EXPECT_EQ(root.offMask, 0u);
    EXPECT_FALSE(root.floatGiven);
    EXPECT_EQ(root.floatValue, 1.0f);
    EXPECT_TRUE(root.lightSet.empty());
}

TEST(AttributeState, EntityWithoutAttributesInheritsEverything) {
    AttributeState parent;
    parent.givenMask = 0x5;
    parent.offMask = 0x4;
    parent.floatGiven = true;
    parent.floatValue = 3.0f;
    setLights(parent.lightSet, {2, 5});
    AttributeState child;
    child.offMask = 0x3F;  // stale contents must not leak through
    setLights(child.lightSet, {9});
    ASSERT_TRUE(inheritAttributes(parent, nullptr, child));
    EXPECT_EQ(child.givenMask, 0x5u);
    EXPECT_EQ(child.offMask, 0x4u);
    EXPECT_TRUE(child.floatGiven);
    EXPECT_EQ(child.floatValue, 3.0f);
    EXPECT_EQ(members(child.lightSet), (std::vector<int>{2, 5}));
}

TEST(AttributeState, GivenAttributesOverrideTheOthersAreInherited) {
    AttributeState parent;
    RenderAttributesRecord hideFromShadowsAndReflections(0);
    setRenderAttribute1b(hideFromShadowsAndReflections, ATTRIBUTE_SHADOW_RAYS, false);
    setRenderAttribute1b(hideFromShadowsAndReflections, ATTRIBUTE_REFLECTION_RAYS, false);
    ASSERT_TRUE(inheritAttributes(AttributeState(), &hideFromShadowsAndReflections, parent));
    EXPECT_EQ(parent.offMask, (1u << 3) | (1u << 1));

    // The child shows itself to shadow rays again and hides from camera rays.
    RenderAttributesRecord record(0);
    setRenderAttribute1b(record, ATTRIBUTE_SHADOW_RAYS, true);
    setRenderAttribute1b(record, ATTRIBUTE_CAMERA_RAYS, false);
    AttributeState child;
    ASSERT_TRUE(inheritAttributes(parent, &record, child));
    EXPECT_EQ(child.offMask, (1u << 1) | (1u << 0));
    EXPECT_EQ(child.givenMask, (1u << 0) | (1u << 1) | (1u << 3));
}

TEST(AttributeState, RemovedAttributeIsInheritedFromTheParent) {
    RenderAttributesRecord record(0);
    setRenderAttribute1b(record, ATTRIBUTE_REFRACTION_RAYS, false);
    removeRenderAttribute(record, ATTRIBUTE_REFRACTION_RAYS);

    // The record's stale off bit must not hide the child from a parent that
    // sees it...
    AttributeState visibleParent;
    AttributeState child;
    ASSERT_TRUE(inheritAttributes(visibleParent, &record, child));
    EXPECT_EQ(child.offMask & (1u << 2), 0u);

    // ...nor show it when the parent hides it.
    AttributeState hiddenParent;
    hiddenParent.givenMask = 1u << 2;
    hiddenParent.offMask = 1u << 2;
    ASSERT_TRUE(inheritAttributes(hiddenParent, &record, child));
    EXPECT_NE(child.offMask & (1u << 2), 0u);
}

TEST(AttributeState, OcclusionRangeOverridesOnlyWhenGiven) {
    AttributeState parent;
    parent.floatGiven = true;
    parent.floatValue = 4.0f;
    RenderAttributesRecord none(0);
    AttributeState child;
    ASSERT_TRUE(inheritAttributes(parent, &none, child));
    EXPECT_EQ(child.floatValue, 4.0f);

    RenderAttributesRecord range(0);
    setRenderAttribute1f(range, ATTRIBUTE_OCCLUSION_RANGE, 0.5f);
    ASSERT_TRUE(inheritAttributes(parent, &range, child));
    EXPECT_TRUE(child.floatGiven);
    EXPECT_EQ(child.floatValue, 0.5f);
}

TEST(AttributeState, LightSetLosesTheRemoveListThenGainsTheAddList) {
    AttributeState parent;
    setLights(parent.lightSet, {1, 3, 5});
    RenderAttributesRecord record(0);
    setList(record, ATTRIBUTE_REMOVE_LIST, {7, 3, 3, 2});
    setList(record, ATTRIBUTE_ADD_LIST, {4, 1, 4, 0, 2});
    AttributeState child;
    ASSERT_TRUE(inheritAttributes(parent, &record, child));
    // 2 is both removed and added: adding comes last, so it stays.
    EXPECT_EQ(members(child.lightSet), (std::vector<int>{0, 1, 2, 4, 5}));
    EXPECT_EQ(members(parent.lightSet), (std::vector<int>{1, 3, 5}));
}

TEST(AttributeState, InheritanceChainsThroughSeveralLevels) {
    AttributeState root;
    setLights(root.lightSet, {0, 1, 2, 3});
    RenderAttributesRecord dropTwo(0);
    setList(dropTwo, ATTRIBUTE_REMOVE_LIST, {2});
    setRenderAttribute1b(dropTwo, ATTRIBUTE_OCCLUSION_RAYS, false);
    RenderAttributesRecord addNine(0);
    setList(addNine, ATTRIBUTE_ADD_LIST, {9});

    AttributeState group, subgroup, object;
    ASSERT_TRUE(inheritAttributes(root, &dropTwo, group));
    ASSERT_TRUE(inheritAttributes(group, nullptr, subgroup));
    ASSERT_TRUE(inheritAttributes(subgroup, &addNine, object));
    EXPECT_EQ(members(object.lightSet), (std::vector<int>{0, 1, 3, 9}));
    EXPECT_EQ(object.offMask, 1u << 4);
}

TEST(LightSet, AddKeepsTheSetSortedAndUnique) {
    LightSet set;
    const int32_t first[] = {8, 3, 8, -1};
    ASSERT_TRUE(addToLightSet(set, first, 4));
    EXPECT_EQ(members(set), (std::vector<int>{-1, 3, 8}));
    const int32_t second[] = {3, 10, 0};
    ASSERT_TRUE(addToLightSet(set, second, 3));
    EXPECT_EQ(members(set), (std::vector<int>{-1, 0, 3, 8, 10}));
    ASSERT_TRUE(addToLightSet(set, nullptr, 3));
    ASSERT_TRUE(addToLightSet(set, second, 0));
    EXPECT_EQ(set.count(), 5);
}

TEST(LightSet, RemoveIgnoresAbsentValuesAndRepeats) {
    LightSet set;
    setLights(set, {1, 2, 3, 4});
    const int32_t gone[] = {4, 9, 1, 4};
    removeFromLightSet(set, gone, 4);
    EXPECT_EQ(members(set), (std::vector<int>{2, 3}));
    const int32_t all[] = {3, 2};
    removeFromLightSet(set, all, 2);
    EXPECT_TRUE(set.empty());
    removeFromLightSet(set, all, 2);
    EXPECT_TRUE(set.empty());
}

}  // namespace
