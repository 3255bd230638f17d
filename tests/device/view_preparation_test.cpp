// prepareView: resolving a render view's records.
#include <gtest/gtest.h>

#include "accel/view_preparation.h"
#include "hox/status.h"
#include "scene/object_table.h"

namespace hox {
namespace {

class ViewPreparationTest : public ::testing::Test {
protected:
    void SetUp() override {
        viewInstance = table.create(CLASS_TYPE_RENDER_VIEW);
        cameraInstance = table.create(CLASS_TYPE_CAMERA);
        framebufferInstance = table.create(CLASS_TYPE_FRAMEBUFFER);
        optionsInstance = table.create(CLASS_TYPE_RENDER_OPTIONS);
        renderView()->camera = HandleBase(CLASS_TYPE_CAMERA, cameraInstance).getValue();
        renderView()->framebuffer = HandleBase(CLASS_TYPE_FRAMEBUFFER, framebufferInstance).getValue();
    }

    scene::RenderViewRecord* renderView() {
        return scene::recordAs<scene::RenderViewRecord>(table.lookup(CLASS_TYPE_RENDER_VIEW, viewInstance));
    }
    int prepare(const HandleBase& handle) { return accel::prepareView(view, table, handle, 0); }
    HandleBase viewHandle() const { return HandleBase(CLASS_TYPE_RENDER_VIEW, viewInstance); }

    scene::ObjectTable table;
    accel::PreparedView view;
    int viewInstance = -1, cameraInstance = -1, framebufferInstance = -1, optionsInstance = -1;
};

TEST_F(ViewPreparationTest, ResolvesTheViewsRecordsAndOptions) {
    ASSERT_EQ(RESULT_OK, prepare(viewHandle()));
    EXPECT_EQ(viewHandle().getValue(), view.renderViewHandle);
    EXPECT_EQ(renderView(), view.renderView);
    EXPECT_EQ(table.lookup(CLASS_TYPE_CAMERA, cameraInstance), view.camera);
    EXPECT_EQ(table.lookup(CLASS_TYPE_FRAMEBUFFER, framebufferInstance), view.framebuffer);
    EXPECT_EQ(nullptr, view.environmentShader);
    EXPECT_EQ(nullptr, view.options);
    EXPECT_EQ(&scene::RenderOptionsRecord::builtInDefaults(), &view.renderOptions());

    // A view that names options of its own renders with those.
    renderView()->renderOptions = HandleBase(CLASS_TYPE_RENDER_OPTIONS, optionsInstance).getValue();
    ASSERT_EQ(RESULT_OK, prepare(viewHandle()));
    ASSERT_NE(nullptr, view.options);
    EXPECT_EQ(&view.options->options, &view.renderOptions());
}

TEST_F(ViewPreparationTest, BadHandleIsInvalidAndMissingCameraOrFramebufferFailsLeavingNoRecords) {
    EXPECT_EQ(RESULT_INVALID_HANDLE, prepare(HandleBase(CLASS_TYPE_RENDER_VIEW, 5)));
    EXPECT_EQ(RESULT_INVALID_HANDLE, prepare(HandleBase(CLASS_TYPE_RENDER_VIEW)));
    EXPECT_EQ(RESULT_INVALID_HANDLE, prepare(HandleBase(CLASS_TYPE_CAMERA, cameraInstance)));

    ASSERT_EQ(RESULT_OK, prepare(viewHandle()));
    // A camera word naming a framebuffer is no camera.
    renderView()->camera = HandleBase(CLASS_TYPE_FRAMEBUFFER, framebufferInstance).getValue();
    EXPECT_EQ(RESULT_FAILED, prepare(viewHandle()));
    EXPECT_EQ(nullptr, view.camera);
    EXPECT_EQ(nullptr, view.framebuffer);
    EXPECT_EQ(nullptr, view.renderView);

    renderView()->camera = HandleBase(CLASS_TYPE_CAMERA, cameraInstance).getValue();
    table.destroy(CLASS_TYPE_FRAMEBUFFER, framebufferInstance);
    EXPECT_EQ(RESULT_FAILED, prepare(viewHandle()));
}

}  // namespace
}  // namespace hox
