// The record writer and the line reader, on in-memory streams.
#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "RegistryTestSupport.h"
#include "registry/VariableRegistry.h"

namespace {

// A save right after start: the fifteen records in registration order.
const char kDefaultFile[] = R"(m_Obj.m_Material.m_Diffuse
    0.8000000     0.7000000     0.7000000     0.0000000

m_Obj.m_Material.m_Specular
    0.5000000     0.4000000     0.1000000     0.0000000

m_Obj.m_Material.m_SpecularPower
   20.0000000

m_Obj.m_Material.m_Ambient
    1.0000000     1.0000000     1.0000000     0.0000000

m_Obj.m_Material.m_Emissive
    0.0000000     0.0000000     0.0000000     0.0000000

m_RadiusMajor
    0.6000000

m_RadiusMinor
    0.2450000

m_StepsMajor
          101

m_StepsMinor
           77

m_LobesNum
            3

m_LobesAmp
    0.5000000

m_TwistNum
            2

m_TwistAmp
    0.3000000

m_TwistOffset
    1.0000000

m_TwistRate
    0.2000000

)";

std::string WithCrLf(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '\n') out += '\r';
    out += c;
  }
  return out;
}

// A registry with the fifteen variables set to values unlike the defaults, so
// that a load shows which ones it reached.
struct Scrambled : PersistedVariables {
  VariableRegistry registry;
  Scrambled() {
    diffuse = specular = ambient = emissive = Vec4{9, 9, 9, 9};
    specularPower = radiusMajor = radiusMinor = lobesAmp = twistAmp = twistOffset = twistRate = 9;
    stepsMajor = stepsMinor = lobesNum = twistNum = 9;
    registerAll(registry);
  }
};

void ExpectSameVariables(const PersistedVariables& a, const PersistedVariables& b) {
  // The loaded text is the registry's own, so every value comes back bit for bit.
  EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
}

TEST(ParameterWriterTest, DefaultSaveIsTheFifteenRecordsExactly) {
  VariableRegistry registry;
  PersistedVariables vars;
  vars.registerAll(registry);
  EXPECT_EQ(WrittenText(registry), kDefaultFile);
}

TEST(ParameterWriterTest, WorkedExampleNineLines) {
  VariableRegistry registry;
  PersistedVariables vars;
  registry.addV4("m_Obj.m_Material.m_Diffuse", &vars.diffuse.x);
  registry.addScalar("m_RadiusMajor", &vars.radiusMajor);
  registry.addInt("m_StepsMajor", &vars.stepsMajor);
  EXPECT_EQ(WrittenText(registry),
            "m_Obj.m_Material.m_Diffuse\n"
            "    0.8000000     0.7000000     0.7000000     0.0000000\n"
            "\n"
            "m_RadiusMajor\n"
            "    0.6000000\n"
            "\n"
            "m_StepsMajor\n"
            "          101\n"
            "\n");
}

TEST(ParameterWriterTest, OtherTypesAndWideValues) {
  VariableRegistry registry;
  float v2[2] = {-1.5f, 2.0f};
  float v3[3] = {0.125f, -0.0f, 1e6f};
  int negative = -42;
  char text[16] = "two words";
  registry.addV2("v2", v2);
  registry.addV3("v3", v3);
  registry.addInt("int", &negative);
  registry.addString("text", text, sizeof text);
  EXPECT_EQ(WrittenText(registry),
            "v2\n   -1.5000000     2.0000000\n\n"
            "v3\n    0.1250000    -0.0000000 1000000.0000000\n\n"
            "int\n          -42\n\n"
            "text\ntwo words\n\n");
}

TEST(ParameterWriterTest, VoidEntryShowsTheLow32BitsOfItsAddress) {
  VariableRegistry registry;
  uint32_t storage = 0;
  registry.addVoid("raw", &storage);
  const std::string text = WrittenText(registry);
  ASSERT_EQ(text.substr(0, 6), "raw\n0x");
  const std::string digits = text.substr(6, text.find('\n', 6) - 6);
  EXPECT_GE(digits.size(), 8u);
  EXPECT_EQ(digits.find_first_not_of(" 0123456789ABCDEF"), std::string::npos) << digits;
  const unsigned long shown = std::stoul(digits, nullptr, 16);
  EXPECT_EQ(shown, reinterpret_cast<uintptr_t>(&storage) & 0xFFFFFFFFu);
}

TEST(ParameterWriterTest, ResultCodesAndSkippedEntriesKeepTheirSeparator) {
  RegistryEntry entry;
  float value = 1;
  EXPECT_EQ(entry.write(nullptr), 1);

  VariableRegistry registry;
  registry.addScalar("a", &value);
  RegistryEntry* unnamed = registry.findOrAdd("gone");
  unnamed->bindScalar(&value);
  unnamed->setName(nullptr);
  registry.findOrAdd("unbound");
  registry.addScalar("empty", &value)->setName("");
  registry.addScalar("b", &value);

  FILE* out = std::tmpfile();
  EXPECT_EQ(unnamed->write(out), 2);
  EXPECT_EQ(registry.find("unbound")->write(out), 3);
  EXPECT_EQ(std::ftell(out), 0) << "a refused record writes nothing";
  std::fclose(out);

  EXPECT_EQ(WrittenText(registry), "a\n    1.0000000\n\n\n\n\nb\n    1.0000000\n\n");
}

TEST(ParameterWriterTest, StringWithoutTerminatorIsWrittenUpToItsSize) {
  VariableRegistry registry;
  char buffer[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
  registry.addString("s", buffer, 4);
  EXPECT_EQ(WrittenText(registry), "s\nabcd\n\n");
}

TEST(ParameterReaderTest, ReadResultCodesAndNoLineConsumedOnRefusal) {
  RegistryEntry entry;
  EXPECT_EQ(entry.read(nullptr), 1);
  FILE* in = StreamOf("7\n8\n");
  EXPECT_EQ(entry.read(in), 2);
  int value = 0;
  entry.bindInt(&value);
  EXPECT_EQ(entry.read(in), 0);
  EXPECT_EQ(value, 7);
  EXPECT_EQ(entry.read(in), 0);
  EXPECT_EQ(value, 8);
  EXPECT_EQ(entry.read(in), 0) << "the end of the stream is no error";
  EXPECT_EQ(value, 8);
  std::fclose(in);
}

TEST(ParameterReaderTest, LoadingTheRegistrysOwnTextRestoresEveryValue) {
  PersistedVariables defaults;
  Scrambled target;
  ReadText(target.registry, kDefaultFile);
  ExpectSameVariables(target, defaults);
}

TEST(ParameterReaderTest, CrLfLineEndsLoadLikeLineFeeds) {
  PersistedVariables defaults;
  Scrambled target;
  ReadText(target.registry, WithCrLf(kDefaultFile));
  ExpectSameVariables(target, defaults);
}

TEST(ParameterReaderTest, EmptyFilesAndCommentsChangeNothing) {
  PersistedVariables defaults;
  for (const char* text : {"", "\n\n\n", "# only a comment\n", "#m_StepsMajor\n5\n\n#\n"}) {
    PersistedVariables vars;
    VariableRegistry registry;
    vars.registerAll(registry);
    ReadText(registry, text);
    ExpectSameVariables(vars, defaults);
  }
}

TEST(ParameterReaderTest, CommentsBetweenRecordsAndInPlaceOfAValue) {
  PersistedVariables vars;
  VariableRegistry registry;
  vars.registerAll(registry);
  ReadText(registry,
           "m_StepsMajor\n  5\n# between records\nm_StepsMinor\n  6\n"
           "m_LobesNum\n# taken as the value line\n  7\n");
  EXPECT_EQ(vars.stepsMajor, 5);
  EXPECT_EQ(vars.stepsMinor, 6);
  EXPECT_EQ(vars.lobesNum, 3) << "the comment was its value line; the 7 after it is stray";
}

TEST(ParameterReaderTest, NameLinesMatchIgnoringCaseAndTrailingBlanksOnly) {
  PersistedVariables vars;
  VariableRegistry registry;
  vars.registerAll(registry);
  ReadText(registry,
           "M_STEPSMAJOR\n 11\n"
           "m_StepsMinor \t \n 12\n"
           " m_LobesNum\n 13\n"
           "m_TwistNum\n 14\n");
  EXPECT_EQ(vars.stepsMajor, 11);
  EXPECT_EQ(vars.stepsMinor, 12);
  EXPECT_EQ(vars.lobesNum, 3) << "a leading blank makes the name unknown";
  EXPECT_EQ(vars.twistNum, 14);
}

TEST(ParameterReaderTest, FieldsStopAtTheFirstThatFails) {
  float v4[4] = {9, 9, 9, 9};
  float v3[3] = {9, 9, 9};
  int a = 9, b = 9, c = 9;
  VariableRegistry registry;
  registry.addV4("v4", v4);
  registry.addV3("v3", v3);
  registry.addInt("a", &a);
  registry.addInt("b", &b);
  registry.addInt("c", &c);
  ReadText(registry, "v4\n0.1 0.2 0.3\nv3\n1 x 3\na\n12abc\nb\nabc\nc\n  -7 8\n");
  EXPECT_EQ(v4[0], 0.1f);
  EXPECT_EQ(v4[1], 0.2f);
  EXPECT_EQ(v4[2], 0.3f);
  EXPECT_EQ(v4[3], 9.0f) << "alpha keeps its value";
  EXPECT_EQ(v3[0], 1.0f);
  EXPECT_EQ(v3[1], 9.0f);
  EXPECT_EQ(v3[2], 9.0f) << "nothing after the failed field";
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 9);
  EXPECT_EQ(c, -7);
}

TEST(ParameterReaderTest, IntegersOutsideThirtyTwoBitsLeaveTheVariable) {
  int value = 5;
  VariableRegistry registry;
  registry.addInt("i", &value);
  ReadText(registry, "i\n2147483648\n");
  EXPECT_EQ(value, 5);
  ReadText(registry, "i\n-2147483649\n");
  EXPECT_EQ(value, 5);
  ReadText(registry, "i\n9999999999999999999999\n");
  EXPECT_EQ(value, 5);
  ReadText(registry, "i\n2147483647\n");
  EXPECT_EQ(value, 2147483647);
  ReadText(registry, "i\n-2147483648\n");
  EXPECT_EQ(value, INT32_MIN);
  // Thirteen characters at most: the fourteenth digit is not part of the field.
  ReadText(registry, "i\n00000000000012345\n");
  EXPECT_EQ(value, 1);
}

TEST(ParameterReaderTest, StringsTakeTheFirstWordAndNeverOverrunTheirBuffer) {
  struct {
    char text[6];
    char guard[4];
  } s = {"abcde", {'G', 'G', 'G', 'G'}};
  VariableRegistry registry;
  registry.addString("s", s.text, sizeof s.text);
  ReadText(registry, "s\n   two words\n");
  EXPECT_STREQ(s.text, "two");
  ReadText(registry, "s\n" + std::string(5000, 'w') + "\n");
  EXPECT_STREQ(s.text, "wwwww");
  EXPECT_EQ(std::memcmp(s.guard, "GGGG", 4), 0);
  ReadText(registry, "s\n   \n");
  EXPECT_STREQ(s.text, "wwwww") << "a blank value line leaves the text";

  // A two-word value survives a save and load as its first word.
  char phrase[32] = "two words";
  VariableRegistry other;
  other.addString("phrase", phrase, sizeof phrase);
  const std::string text = WrittenText(other);
  ReadText(other, text);
  EXPECT_STREQ(phrase, "two");
}

TEST(ParameterReaderTest, VoidEntryReadsHexAfterALeading0x) {
  uint32_t raw = 7;
  VariableRegistry registry;
  registry.addVoid("raw", &raw);
  ReadText(registry, "raw\n0x 1F\n");
  EXPECT_EQ(raw, 0x1Fu);
  ReadText(registry, "raw\n0xFFFFFFFFF\n");
  EXPECT_EQ(raw, 0xFFFFFFFFu) << "eight digits at most";
  ReadText(registry, "raw\n 0x5\n");
  EXPECT_EQ(raw, 0xFFFFFFFFu) << "0x must open the line";
  ReadText(registry, "raw\n0X5\n");
  EXPECT_EQ(raw, 0xFFFFFFFFu);
}

TEST(ParameterReaderTest, LongNameIsWrittenWholeButNeverFound) {
  const std::string name(1500, 'n');
  int value = 1;
  VariableRegistry registry;
  registry.addInt(name.c_str(), &value);
  const std::string text = WrittenText(registry);
  EXPECT_EQ(text, name + "\n            1\n\n");
  value = 2;
  ReadText(registry, text);
  EXPECT_EQ(value, 2);

  // 1021 characters and the line end fit one piece. At 1022 the line end is a
  // piece of its own, which the name then takes as its (empty) value line.
  const std::string fits(1021, 'f');
  int whole = 1;
  registry.addInt(fits.c_str(), &whole);
  ReadText(registry, fits + "\n  33\n");
  EXPECT_EQ(whole, 33);
  const std::string edge(1022, 'e');
  int cut = 1;
  registry.addInt(edge.c_str(), &cut);
  ReadText(registry, edge + "\n  33\n");
  EXPECT_EQ(cut, 1);
}

TEST(ParameterReaderTest, PiecesOfALongLineCountAsLinesOfTheirOwn) {
  int value = 1;
  VariableRegistry registry;
  registry.addInt("k", &value);
  // The second 1022-character piece is the name, the piece after it the value.
  ReadText(registry, std::string(1022, 'x') + "k" + std::string(1021, ' ') + "44\n");
  EXPECT_EQ(value, 44);
}

TEST(ParameterReaderTest, OneMillionIsWrittenInFifteenCharactersAndReadBackExactly) {
  float scalar = 1e6f;
  VariableRegistry registry;
  registry.addScalar("big", &scalar);
  EXPECT_EQ(WrittenText(registry), "big\n1000000.0000000\n\n");
  const std::string text = WrittenText(registry);
  scalar = 0;
  ReadText(registry, text);
  EXPECT_EQ(scalar, 1e6f);
}

TEST(ParameterReaderTest, FileEndingAfterANameLineLeavesThatVariable) {
  for (const char* text : {"m_StepsMajor\n 5\nm_StepsMinor\n", "m_StepsMajor\n 5\nm_StepsMinor"}) {
    PersistedVariables vars;
    VariableRegistry registry;
    vars.registerAll(registry);
    ReadText(registry, text);
    EXPECT_EQ(vars.stepsMajor, 5);
    EXPECT_EQ(vars.stepsMinor, 77);
  }
}

TEST(ParameterReaderTest, ANameTwiceKeepsTheLaterValueAndOrderIsFree) {
  PersistedVariables vars;
  VariableRegistry registry;
  vars.registerAll(registry);
  ReadText(registry, "m_TwistRate\n 0.5\nm_StepsMajor\n 5\nunknown\n 1\nm_StepsMajor\n 6\n");
  EXPECT_EQ(vars.stepsMajor, 6);
  EXPECT_EQ(vars.twistRate, 0.5f);
}

TEST(ParameterReaderTest, LoadedValuesAreTheSevenDecimalTextsTheyWereSavedAs) {
  std::mt19937 random(1234);
  std::uniform_real_distribution<float> pick(-1000.0f, 1000.0f);
  float values[64];
  VariableRegistry registry;
  for (int i = 0; i < 64; ++i) {
    values[i] = i < 4 ? pick(random) / 1e6f : pick(random);
    // Appended rather than "v" + ...: GCC 12 warns falsely (-Wrestrict) on that at -O3.
    const std::string name = std::string("v").append(std::to_string(i));
    registry.addScalar(name.c_str(), &values[i]);
  }
  float expected[64];
  for (int i = 0; i < 64; ++i) {
    // The reference goes through the C++ conversions, not the C library's.
    char text[64];
    auto printed = std::to_chars(text, text + sizeof text, static_cast<double>(values[i]),
                                 std::chars_format::fixed, 7);
    std::from_chars(text, printed.ptr, expected[i]);
  }
  ReadText(registry, WrittenText(registry));
  for (int i = 0; i < 64; ++i) EXPECT_EQ(values[i], expected[i]) << i;
}

TEST(ParameterReaderTest, NanAndInfinityLoadAndSaveWithoutHarm) {
  float v4[4] = {0, 0, 0, 0};
  VariableRegistry registry;
  registry.addV4("c", v4);
  ReadText(registry, "c\nnan -INF infinity 1e999\n");
  EXPECT_TRUE(std::isnan(v4[0]));
  EXPECT_EQ(v4[1], -INFINITY);
  EXPECT_EQ(v4[2], INFINITY);
  EXPECT_EQ(v4[3], INFINITY) << "beyond the float range";
  EXPECT_EQ(WrittenText(registry),
            "c\n          nan          -inf           inf           inf\n\n");
}

TEST(ParameterReaderTest, HugeInputsAreReadToTheEnd) {
  // A 100 MB line without a break, then a record: the reader walks through the
  // line piece by piece and still reaches the record behind it.
  PersistedVariables vars;
  VariableRegistry registry;
  vars.registerAll(registry);
  std::string text = "m_RadiusMajor" + std::string(100u << 20, 'x') + "\nm_StepsMajor\n 5\n";
  ReadText(registry, text);
  EXPECT_EQ(vars.stepsMajor, 5);
  EXPECT_EQ(vars.radiusMajor, 0.6f);

  // A million records; the last value of each name stays.
  text.clear();
  for (int i = 0; i < 1000000; ++i)
    text += (i % 2 ? "m_StepsMinor\n" : "m_LobesNum\n") + std::to_string(i) + "\n\n";
  ReadText(registry, text);
  EXPECT_EQ(vars.lobesNum, 999998);
  EXPECT_EQ(vars.stepsMinor, 999999);
}

}  // namespace
