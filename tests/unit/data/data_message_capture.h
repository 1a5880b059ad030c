// A fixture that collects what reaches the data layer's message function
// as "<caption>: <text>" and restores the function afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/message_function.h"

class DataMessageCapture : public ::testing::Test {
protected:
    void SetUp() override {
        reported().clear();
        m_before = kj::data::set_message_function(
            [](const char* caption, const char* text) { reported().push_back(std::string(caption) + ": " + text); });
    }
    void TearDown() override { kj::data::set_message_function(m_before); }

    static std::vector<std::string>& reported() {
        static std::vector<std::string> all;
        return all;
    }

private:
    kj::data::MessageFunction m_before = nullptr;
};
