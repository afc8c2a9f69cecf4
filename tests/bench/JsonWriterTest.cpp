#include "JsonWriter.h"

#include <gtest/gtest.h>

#include <limits>
#include <sstream>

TEST(JsonWriter, NestsObjectsAndArraysWithCommasBetweenEntries)
{
    std::ostringstream out;
    JsonWriter json(out);
    json.beginObject();
    json.value("name", "bench");
    json.beginObject("frame");
    json.value("median", 12.5);
    json.boolean("passed", true);
    json.endObject();
    json.beginArray("load");
    json.element(0.25);
    json.element(1.0);
    json.endArray();
    json.beginArray("empty");
    json.endArray();
    json.endObject();

    EXPECT_EQ(out.str(), "{\n"
                         "  \"name\": \"bench\",\n"
                         "  \"frame\": {\n"
                         "    \"median\": 12.5,\n"
                         "    \"passed\": true\n"
                         "  },\n"
                         "  \"load\": [\n"
                         "    0.25,\n"
                         "    1\n"
                         "  ],\n"
                         "  \"empty\": []\n"
                         "}\n");
}

TEST(JsonWriter, EscapesTextAndWritesNullForNumbersJsonCannotHold)
{
    std::ostringstream out;
    JsonWriter json(out);
    json.beginObject();
    json.value("text", "a \"quoted\" C:\\path\nnext");
    json.value("nan", std::numeric_limits<double>::quiet_NaN());
    json.value("infinite", std::numeric_limits<double>::infinity());
    json.endObject();

    const std::string text = out.str();
    EXPECT_NE(text.find(R"("text": "a \"quoted\" C:\\path\u000anext")"), std::string::npos) << text;
    EXPECT_NE(text.find("\"nan\": null"), std::string::npos) << text;
    EXPECT_NE(text.find("\"infinite\": null"), std::string::npos) << text;
}
