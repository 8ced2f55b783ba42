#pragma once
// What the tests of forms and threads share: a thread that runs a given function, and a fixture that
// gives each test a freshly initialised application on the test's thread.
#include "ui/Forms.h"
#include "ui/Threads.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace testsupport {

class Worker : public ui::TThread {
public:
    explicit Worker(std::function<void()> body) : FBody(std::move(body)) {}

protected:
    void Execute() override { FBody(); }

private:
    std::function<void()> FBody;
};

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override {
        ui::Application().Reset();
        ui::Application().Initialize();
    }
    void TearDown() override { ui::Application().Reset(); }
};

} // namespace testsupport
