#pragma once
// What the tests of the window runtime share: a thread that runs a given function, and a fixture that
// gives each test a freshly initialised application.
#include "ui/Forms.h"
#include "ui/Threads.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

namespace uitest {

class Worker : public ui::TThread {
public:
    explicit Worker(std::function<void()> body) : FBody(std::move(body)) {}

protected:
    void Execute() override { FBody(); }

private:
    std::function<void()> FBody;
};

class ApplicationFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ui::Application().Reset();
        ui::Application().Initialize();
    }
    void TearDown() override { ui::Application().Reset(); }
};

} // namespace uitest
