#pragma once
// Reading the simulated company's answers in tests: the status of the first ...Rs element.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <string>

struct Answer {
    pugi::xml_document doc;
    pugi::xml_node rs;  // the first ...Rs element
    std::string code, severity, message;

    explicit Answer(const std::string& text) {
        auto res = doc.load_string(text.c_str());
        EXPECT_TRUE(res) << res.description() << "\n" << text;
        rs = doc.child("QBXML").child("QBXMLMsgsRs").first_child();
        code = rs.attribute("statusCode").value();
        severity = rs.attribute("statusSeverity").value();
        message = rs.attribute("statusMessage").value();
    }
};
