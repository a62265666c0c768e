// A plugged-in in-process camera and one open handle on its port.
#pragma once

#include "../../testing/VirtualCamera.h"
#include "PortClient.h"

#include <winplat/host.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace camera::testing {

class LinkFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { scaled_ = UseTestTimeScale(); }

    void SetUp() override
    {
        ASSERT_TRUE(scaled_) << "the platform clock does not run at the tests' time scale";
        PlugIn(VirtualCameraOptions());
    }

    void PlugIn(const VirtualCameraOptions& options)
    {
        port_.reset();
        cam_ = std::make_unique<VirtualCamera>(options);
        ASSERT_TRUE(cam_->PlugIn());
        port_ = std::make_unique<PortClient>(cam_->portName());
        ASSERT_TRUE(port_->valid()) << "CreateFileA failed with " << port_->openError();
    }

    // A file of `size` bytes whose bytes differ from their neighbours'.
    static Bytes Pattern(size_t size, unsigned seed = 7)
    {
        Bytes bytes(size);
        for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<uint8_t>((i * 131 + seed + i / 251) & 0xFF);
        return bytes;
    }
    static std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

    std::unique_ptr<VirtualCamera> cam_;
    std::unique_ptr<PortClient> port_;
    static inline bool scaled_ = false;
};

}  // namespace camera::testing
