// The option reading and the text of the reports: labels, numbers, names, the page's parts.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/array_list.h"
#include "catalogue/built_in_arrays.h"
#include "job/compare/design_report.h"
#include "job/compare/file_names.h"
#include "job/compare/options.h"
#include "job/compare/progress.h"
#include "job/compare/run.h"
#include "report/html/html_text.h"
#include "report/html_report.h"
#include "report/listening/listening_panel.h"
#include "report/numbers.h"
#include "report/shown_text.h"
#include "report/text_reports.h"

namespace auralith {
namespace {

using Action = ParsedOptions::Action;

ParsedOptions parse(std::vector<std::string> args) { return parseCompareOptions(args); }

TEST(CompareOptions, WhatACommandLineMeans) {
    const ParsedOptions plain = parse({"take.wav"});
    EXPECT_EQ(plain.action, Action::run);
    EXPECT_EQ(plain.options.input, "take.wav");
    EXPECT_EQ(plain.options.outputDir, "");
    EXPECT_EQ(plain.options.arrays.size(), 6u);
    EXPECT_TRUE(plain.options.audio);
    EXPECT_FALSE(plain.options.quiet);

    const ParsedOptions full = parse({"-o", "out", "--arrays=5,1,3,1", "--no-audio", "-q", "take.wav"});
    EXPECT_EQ(full.action, Action::run);
    EXPECT_EQ(full.options.outputDir, "out");
    std::vector<std::string> keys;
    for (const ChosenArray& a : full.options.arrays) keys.push_back(a.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"1", "3", "5"}));
    EXPECT_FALSE(full.options.audio);
    EXPECT_TRUE(full.options.quiet);

    EXPECT_EQ(parse({"-oout", "-a2", "x.wav"}).options.outputDir, "out");
    EXPECT_EQ(parse({"--output-dir", "d", "--quiet", "x.wav"}).options.outputDir, "d");
    EXPECT_EQ(parse({"--", "-a.wav"}).options.input, "-a.wav");
    EXPECT_EQ(parse({"-"}).options.input, "-");
    EXPECT_EQ(parse({"x.wav", "--help"}).action, Action::help);
    EXPECT_EQ(parse({"-h"}).action, Action::help);
    EXPECT_EQ(parse({"--version", "--bogus"}).action, Action::version);

    const ParsedOptions sweep = parse({"--positions", "-90:90:15", "--excerpt=12.5:8", "x.wav"});
    EXPECT_EQ(sweep.options.positions, (SweepPositions{-90000, 90000, 15000}));
    EXPECT_EQ(sweep.options.positions.count(), 13);
    EXPECT_EQ(sweep.options.positions.degrees(12), 90);
    ASSERT_TRUE(sweep.options.excerpt.has_value());
    EXPECT_EQ(sweep.options.excerpt->start, 12500);
    EXPECT_EQ(sweep.options.excerpt->length, 8000);
    EXPECT_FALSE(parse({"--excerpt", "3", "x.wav"}).options.excerpt->length.has_value());
}

TEST(CompareOptions, UsageErrorsSayWhatIsWrong) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{}, "no input file given"},
        {{"a.wav", "b.wav"}, "more than one input file given ('b.wav')"},
        {{"--bogus", "a.wav"}, "unknown option '--bogus'"},
        {{"-x"}, "unknown option '-x'"},
        {{"a.wav", "-o"}, "option -o needs a value"},
        {{"a.wav", "--arrays"}, "option --arrays needs a value"},
        {{"-o", "", "a.wav"}, "the output folder is empty"},
        {{"-a", "7", "a.wav"}, "'7' is not a list of menu numbers 1 to 6 (such as 1,3,5)"},
        {{"-a", "1,,2", "a.wav"}, "'1,,2' is not a list of menu numbers 1 to 6 (such as 1,3,5)"},
        {{"-a", " 1", "a.wav"}, "' 1' is not a list of menu numbers 1 to 6 (such as 1,3,5)"},
        {{"-a", "", "a.wav"}, "'' is not a list of menu numbers 1 to 6 (such as 1,3,5)"},
        {{"-a", "01", "a.wav"}, "'01' is not a list of menu numbers 1 to 6 (such as 1,3,5)"},
        // Each kind of mistake in a description, naming the entry and its part.
        {{"-a", "4,nos,,2", "a.wav"}, "'4,nos,,2' has an empty entry"},
        {{"-a", "4,mono", "a.wav"},
         "'mono' is not a menu number 1 to 6, a named technique (xy, blumlein, nos, din, rai, ortf, ab40, ab60), "
         "pair:PATTERN:ANGLE:SPACING, tree:WIDTH:DEPTH:PATTERN or ms:PATTERN:WIDTH"},
        {{"-a", "ms:cardioid", "a.wav"},
         "'ms:cardioid' is not ms:PATTERN:WIDTH (two values after 'ms:', separated by ':')"},
        {{"-a", "ms:cardioid:2.5", "a.wav"}, "'ms:cardioid:2.5': WIDTH '2.5' is outside 0 to 2"},
        {{"--positions", "45:-45:7.5", "a.wav"},
         "--positions '45:-45:7.5' is not FROM:TO:STEP in degrees (FROM to TO within -180 to 180, STEP above 0, 2 to "
         "361 positions)"},
        {{"--positions=-90:90", "a.wav"},
         "--positions '-90:90' is not FROM:TO:STEP in degrees (FROM to TO within -180 to 180, STEP above 0, 2 to 361 "
         "positions)"},
        {{"--positions", "0:0:1", "a.wav"},
         "--positions '0:0:1' is not FROM:TO:STEP in degrees (FROM to TO within -180 to 180, STEP above 0, 2 to 361 "
         "positions)"},
        {{"--excerpt", "-1", "a.wav"}, "--excerpt '-1' is not START or START:LENGTH in seconds (such as 12.5:8)"},
        {{"--excerpt", "3:0", "a.wav"}, "--excerpt '3:0' is not START or START:LENGTH in seconds (such as 12.5:8)"},
        {{"--design", "90", "--excerpt", "3"}, "--design takes neither --positions nor --excerpt"},
        {{"-a", "pair:cardioid:100", "a.wav"},
         "'pair:cardioid:100' is not pair:PATTERN:ANGLE:SPACING (three values after 'pair:', separated by ':')"},
        {{"-a", "tree:2:1:omni:x", "a.wav"},
         "'tree:2:1:omni:x' is not tree:WIDTH:DEPTH:PATTERN (three values after 'tree:', separated by ':')"},
        {{"-a", "pair:cardiod:100:25", "a.wav"},
         "'pair:cardiod:100:25': PATTERN 'cardiod' is none of omni, subcardioid, cardioid, supercardioid, "
         "hypercardioid, figure8, nor a number from 0 to 1"},
        {{"-a", "pair:1.2:100:25", "a.wav"}, "'pair:1.2:100:25': PATTERN '1.2' is outside 0 to 1"},
        {{"-a", "pair:cardioid:-10:25", "a.wav"},
         "'pair:cardioid:-10:25': ANGLE '-10' is not a number (digits, at most three of them after a point) of 0 to "
         "180 degrees"},
        {{"-a", "pair:omni:0:200.5", "a.wav"}, "'pair:omni:0:200.5': SPACING '200.5' is outside 0 to 200 centimetres"},
        {{"-a", "tree:4.5:1:omni", "a.wav"}, "'tree:4.5:1:omni': WIDTH '4.5' is outside 0 to 4 metres"},
        {{"-a", "tree:2:3.001:omni", "a.wav"}, "'tree:2:3.001:omni': DEPTH '3.001' is outside 0 to 3 metres"},
        {{"--design", "10"}, "--design '10' is not a recording angle of 20 to 180 degrees"},
        {{"--design", "90", "a.wav"}, "--design takes no recording ('a.wav')"},
        {{"--design", "90", "-a", "4"}, "--design takes no -a list"},
        {{"--pattern", "omni", "a.wav"}, "--pattern goes with --design"},
        {{"--design", "90", "--pattern", "2"}, "--pattern '2' is outside 0 to 1"},
        {{"-a", "pair:0.0001:90:20", "a.wav"},
         "'pair:0.0001:90:20': PATTERN '0.0001' has more than three decimals: p is given to a thousandth, 0 to 1"},
        {{"--design", "90", "--pattern", "0.3333"},
         "--pattern '0.3333' has more than three decimals: p is given to a thousandth, 0 to 1"},
        // An argument with a line break is quoted on one line.
        {{"a.wav", "b\nc"}, "more than one input file given ('b\\x0ac')"},
        {{"--x\t\x7f"}, "unknown option '--x\\x09\\x7f'"},
    };
    for (const auto& [args, message] : cases) {
        const ParsedOptions parsed = parse(args);
        EXPECT_EQ(parsed.action, Action::usageError) << message;
        EXPECT_EQ(parsed.error, message);
    }
}

TEST(CompareOptions, DescribedArraysAreNamedAfterWhatTheyAre) {
    const ParsedOptions parsed = parse(
        {"-a", "pair:cardioid:100:25,nos,4,pair:cardioid:100.0:025,tree:2:1.5:omni,pair:0.60:90:0,MS:cardioid:1.5",
         "x.wav"});
    ASSERT_EQ(parsed.action, Action::run) << parsed.error;
    std::vector<std::string> seen;
    for (const ChosenArray& a : parsed.options.arrays) seen.push_back(a.key + " | " + a.name + " | " + a.slug);
    // The menu's first; the same pair written twice once, as first given.
    EXPECT_EQ(seen, (std::vector<std::string>{
                        "4 | ORTF near-coincident pair | 4-ortf",
                        "pair:cardioid:100:25 | Cardioids, 100°, 25 cm | pair-cardioid-100-25",
                        "nos | NOS: cardioids, 90°, 30 cm | nos",
                        "tree:2:1.5:omni | Tree of omnis, 2 m wide, 1.5 m deep | tree-2-1.5-omni",
                        "pair:0.60:90:0 | Pattern 0.6, 90°, coincident | pair-0.6-90-0",
                        "MS:cardioid:1.5 | Mid-side, cardioid mid, width 1.5 | ms-cardioid-1.5",
                    }));
    // One array however it is asked for, under its first name; names in any case.
    const ParsedOptions same = parse({"-a",
                                      "ORTF,pair:Cardioid:110:17,pair:cardioid:100:25,PAIR:0.5:100:25,ab40,"
                                      "pair:omni:90:40,pair:1:0:40,Blumlein,pair:figure8:90:0,1",
                                      "x.wav"});
    ASSERT_EQ(same.action, Action::run) << same.error;
    seen.clear();
    for (const ChosenArray& a : same.options.arrays) seen.push_back(a.key + " | " + a.slug);
    EXPECT_EQ(seen,
              (std::vector<std::string>{"1 | 1-blumlein", "ORTF | ortf", "pair:cardioid:100:25 | pair-cardioid-100-25",
                                        "ab40 | ab40", "Blumlein | blumlein"}));
    const ParsedOptions design = parse({"--design=95.5", "--pattern", "Supercardioid", "-o", "d"});
    ASSERT_EQ(design.action, Action::run) << design.error;
    EXPECT_EQ(design.options.design, 95500);
    EXPECT_EQ(design.options.pattern->thousandths, 370);
    EXPECT_EQ(parse({"--design", "120"}).options.pattern->text, "cardioid");
}

TEST(CompareLabels, EachPositionStartsOneSecondIntoItsBlock) {
    const ArrayAnalysis analysis = analyseArray(MicArray::ortfPair, 44100);
    // n = 22050 (half a second): blocks of 66150 frames, each sound starting 44100 frames in.
    std::istringstream lines(labelTrack(analysis, 44100, 22050));
    std::string line;
    for (int p = 0; p < 13; ++p) {
        ASSERT_TRUE(std::getline(lines, line));
        const long long first = p * 66150LL + 44100;
        // Exact in decimal: first / 44100 in microseconds, computed with integers.
        const long long startMicros = (first * 1000000 + 22050) / 44100;
        const long long endMicros = ((first + 22050) * 1000000 + 22050) / 44100;
        char expected[64];
        std::snprintf(expected, sizeof expected, "%lld.%06lld\t%lld.%06lld\t", startMicros / 1000000,
                      startMicros % 1000000, endMicros / 1000000, endMicros % 1000000);
        EXPECT_EQ(line.substr(0, std::string(expected).size()), expected) << p;
        EXPECT_EQ(line.substr(std::string(expected).size()),
                  labelText(analysis.positions[static_cast<std::size_t>(p)]));
    }
    EXPECT_FALSE(std::getline(lines, line));
    // One second, then 1.5 s per position: position 1 from 2.5 s to 3 s.
    std::istringstream again(labelTrack(analysis, 44100, 22050));
    std::getline(again, line);
    EXPECT_EQ(line, "1.000000\t1.500000\t-45.0° ICLD +7.6 dB ICTD +0.36 ms image -26.2°");
    std::getline(again, line);
    EXPECT_EQ(line.substr(0, 18), "2.500000\t3.000000\t");
    // An odd length: 1 sample ends 1/44100 s after its start.
    std::istringstream one(labelTrack(analysis, 44100, 1));
    std::getline(one, line);
    EXPECT_EQ(line.substr(0, 18), "1.000000\t1.000023\t");
}

TEST(CompareNumbers, PrintedTheSameEverywhere) {
    EXPECT_EQ(fixedText(1.25, 1), "1.2");  // the binary value, correctly rounded (ties to even)
    EXPECT_EQ(fixedText(-0.0001, 2), "0.00");
    EXPECT_EQ(fixedText(-12.3456, 3), "-12.346");
    EXPECT_EQ(fixedText(INFINITY, 3), "inf");
    EXPECT_EQ(fixedText(-INFINITY, 3), "-inf");
    EXPECT_EQ(signedText(7.5, 1), "+7.5");
    EXPECT_EQ(signedText(-7.5, 1), "-7.5");
    EXPECT_EQ(signedText(0.0, 1), "0.0");
    EXPECT_EQ(signedText(0.004, 2), "0.00");
    EXPECT_EQ(signedText(INFINITY, 1), "+inf");
}

TEST(CompareNames, FilesAreNamedAfterTheInputAndTheArray) {
    EXPECT_EQ(stemOf("takes/violin.wav"), "violin");
    EXPECT_EQ(stemOf("C:\\takes\\violin.take.WAV"), "violin.take");
    EXPECT_EQ(stemOf("noextension"), "noextension");
    EXPECT_EQ(stemOf(".hidden"), ".hidden");
    EXPECT_EQ(audioFileName("demo", builtInChoice(MicArray::spacedOmniPair).slug), "demo-5-spaced-omnis.wav");
    EXPECT_EQ(labelFileName("demo", builtInChoice(MicArray::threeOmniTree).slug), "demo-6-tree.txt");
    EXPECT_EQ(pathIn("out", "a.wav"), "out/a.wav");
    EXPECT_EQ(pathIn("out/", "a.wav"), "out/a.wav");
}

TEST(CompareMessages, RefusalsLoseOnlyTheirTrailingBlanks) {
    EXPECT_EQ(failureLine("x.wav", "This is not a mono Wave file  "),
              "auralith-compare: x.wav: This is not a mono Wave file\n");
    EXPECT_EQ(failureLine("m.wav", "            File not found.\\n Please enter a valid filename  "),
              "auralith-compare: m.wav:             File not found.\\n Please enter a valid filename\n");
    EXPECT_EQ(progressLine(1, 6, micArrayName(MicArray::cardioidPair), 0.5),
              "[#####---------------]  25%  array 2 of 6: Coincident cardioids (105 deg)");
}

// Names as the terminal and the page show them: every byte a terminal would act on, and every
// byte that is not UTF-8, made visible; well-formed text kept.
TEST(CompareMessages, NamesAreShownWithoutBytesATerminalActsOn) {
    const struct {
        std::string name, terminal, page;
    } cases[] = {
        {"take.wav", "take.wav", "take.wav"},
        {"Aufnahme \xC3\xBC.wav", "Aufnahme \xC3\xBC.wav", "Aufnahme \xC3\xBC.wav"},  // valid UTF-8 kept
        {"a\x1b[2Jb", "a\\x1b[2Jb", "a\\x1b[2Jb"},                                    // ESC
        {"a\tb\x7f", "a\\x09b\\x7f", "a\\x09b\\x7f"},                                 // TAB, DEL
        {"a\xC2\x9B"
         "b",
         "a\\xc2\\x9bb", "a\\xc2\\x9bb"},                           // C1 CSI
        {"a\xFF\xC3", "a\\xff\\xc3", "a\xEF\xBF\xBD\xEF\xBF\xBD"},  // invalid, cut short
        {"\xC0\xAF\xED\xA0\x80", "\\xc0\\xaf\\xed\\xa0\\x80",       // overlong, surrogate
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        {"\xF0\x9F\x8E\xA4", "\xF0\x9F\x8E\xA4", "\xF0\x9F\x8E\xA4"},  // U+1F3A4
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shownOnTerminal(c.name), c.terminal) << c.name;
        EXPECT_EQ(shownOnPage(c.name), c.page) << c.name;
    }
    EXPECT_EQ(failureLine("x\ny.wav", "No such file or directory"),
              "auralith-compare: x\\x0ay.wav: No such file or directory\n");
}

int count(const std::string& text, const std::string& what) {
    int found = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++found;
    return found;
}

TEST(CompareHtml, OneCurveAndThirteenMarksPerArrayAndNothingFetched) {
    CompareResults results;
    results.input = "/home/someone/takes/a<b>&\"c\".wav";
    results.n = 100;
    for (int k : {2, 5})
        results.arrays.push_back({builtInChoice(static_cast<MicArray>(k)),
                                  analyseArray(static_cast<MicArray>(k), 44100),
                                  -20.0 - k,
                                  "f.wav",
                                  "f.txt",
                                  {},
                                  k == 5 ? 54 : 0});
    const std::string html = htmlReport(results);
    EXPECT_EQ(count(html, "<path class=\"curve\""), 2);
    EXPECT_EQ(count(html, "<circle class=\"position\""), 26);
    EXPECT_EQ(count(html, "<line class=\"sra\""), 4);
    EXPECT_EQ(count(html, "<line class=\"limit\""), 2);
    EXPECT_EQ(count(html, "<section class=\"array\""), 2);
    EXPECT_EQ(count(html, "<tr><td>"), 26);
    EXPECT_NE(html.find("a&lt;b&gt;&amp;&quot;c&quot;.wav"), std::string::npos);
    EXPECT_EQ(html.find("/home/someone"), std::string::npos);  // no folder of this machine
    EXPECT_EQ(count(html, "<script"), 2);                      // the listening panel's data and script, neither fetched
    EXPECT_EQ(count(html, "<script src"), 0);
    EXPECT_EQ(html.find("http:"), html.find("http://www.w3.org/2000/svg"));  // the namespace only
    EXPECT_EQ(count(html, "http"), 1);
    EXPECT_NE(html.find("e-brief 390"), std::string::npos);
    // Offsets to the loudest: array 2 at -22 LUFS, array 5 at -25.
    EXPECT_NE(html.find("-22.00 LUFS; 0.00 dB would bring it"), std::string::npos);
    EXPECT_NE(html.find("-25.00 LUFS; 3.00 dB would bring it"), std::string::npos);
    // Each paragraph says what was rendered: "No audio rendered." only for an array without audio.
    EXPECT_EQ(count(html, "<code>f.txt</code>.</p>"), 1);
    EXPECT_EQ(count(html, "<code>f.txt</code>. The render clipped 54 samples at full scale.</p>"), 1);
    EXPECT_EQ(count(html, "No audio rendered."), 0);
    const auto angle = [&](std::size_t k) { return fixedText(*results.arrays[k].analysis.recordingAngle.degrees, 1); };
    EXPECT_EQ(arraysCsv(results),
              "array,array_name,sra_deg,max_image_deg,loudness_lufs,loudness_offset_db,clipped\n"
              "2,\"Coincident cardioids (105 deg)\"," +
                  angle(0) +
                  ",30.0,-22.00,0.00,0\n"
                  "5,\"Two spaced omnis\"," +
                  angle(1) + ",30.0,-25.00,3.00,54\n");
    results.arrays[1].loudness.reset();
    EXPECT_EQ(count(htmlReport(results), "°. No audio rendered.</p>"), 1);
}

// The listening panel's players name the renders beside the page, whatever the bytes of their
// names; its data carries the offsets of arrays.csv and the labels' times; without audio it only
// says so.
TEST(CompareHtml, TheListeningPanelPlaysTheFilesBesideThePage) {
    CompareResults results;
    results.input = "take.wav";
    results.n = 4410;
    results.head = "default.sofa";
    for (const double lufs : {-20.0, -23.5, -double(INFINITY)}) {
        ArrayResult r{builtInChoice(MicArray::ortfPair),
                      analyseArray(MicArray::ortfPair, 44100),
                      lufs,
                      "take #1 100%?.wav",
                      "t.txt",
                      {}};
        r.headphones = {"h\"é.wav", lufs - 8, 0, std::vector<EarCues>(r.analysis.positions.size())};
        results.arrays.push_back(r);
    }
    results.arrays[0].envelope = {10, {1, 2, 3}};
    results.arrays[1].envelope = {10, {5, 0, 1}};
    results.arrays[2].envelope = {10, {0, 0, 0}};
    const std::string html = htmlReport(results);
    EXPECT_EQ(count(html, "<audio controls preload=\"metadata\" src=\"take%20%231%20100%25%3F.wav\""), 3);
    EXPECT_NE(html.find("\"envelope\":{\"frames\":10,\"rate\":44100,\"peaks\":[5,2,3]}"),
              std::string::npos);  // the loudest
    EXPECT_EQ(count(html, "src=\"h%22%C3%A9.wav\" data-array=\"2\" data-kind=\"headphones\""), 1);
    EXPECT_NE(html.find("\"offset\":0.00,\"headphonesOffset\":0.00"), std::string::npos);
    EXPECT_NE(html.find("\"offset\":3.50,\"headphonesOffset\":3.50"), std::string::npos);
    EXPECT_EQ(count(html, "\"offset\":null,\"headphonesOffset\":null"), 1);  // silent: left as it is
    const std::string label = labelTrack(results.arrays[0].analysis, 44100, 4410);
    const std::string lastStart = label.substr(label.rfind('\n', label.size() - 2) + 1, 9);
    EXPECT_NE(html.find("{\"start\":" + lastStart + ",\"end\":"), std::string::npos);
    EXPECT_EQ(jsonString("a\"b\\c</script>\x01"), "\"a\\\"b\\\\c\\u003c/script>\\u0001\"");

    for (ArrayResult& r : results.arrays) r.audioFile.clear();
    const std::string silent = htmlReport(results);
    EXPECT_NE(silent.find("This run wrote no audio (--no-audio): there is nothing to listen to."), std::string::npos);
    EXPECT_EQ(silent.find("<audio"), std::string::npos);
    EXPECT_EQ(silent.find("<script"), std::string::npos);
}

CompareResults resultsOf(const std::string& list) {
    CompareResults results;
    for (const ChosenArray& a : parseArrayList(list).arrays)
        results.arrays.push_back({a, analyseArray(a.model, 44100), {}, {}, {}, {}});
    return results;
}

// The attribute `name` of every element that begins with `tag`, in the page's order ("" where
// it has none).
std::vector<std::string> attributes(const std::string& html, const std::string& tag, const std::string& name) {
    std::vector<std::string> found;
    for (std::size_t at = html.find(tag); at != std::string::npos; at = html.find(tag, at + 1)) {
        const std::string element = html.substr(at, html.find('>', at) - at);
        const std::size_t value = element.find(" " + name + "=\"");
        const std::size_t from = value + name.size() + 3;
        found.push_back(value == std::string::npos ? "" : element.substr(from, element.find('"', from) - from));
    }
    return found;
}

// The subpaths of an SVG path's `d`, each as its first and last points ("M60.00 200.00",
// "L225.00 ...").
std::vector<std::pair<std::string, std::string>> subpathEnds(const std::string& d) {
    std::vector<std::pair<std::string, std::string>> ends;
    for (std::size_t m = d.find('M'); m != std::string::npos;) {
        const std::size_t next = d.find('M', m + 1);
        const std::string part = d.substr(m, next == std::string::npos ? std::string::npos : next - m - 1);
        ends.emplace_back(part.substr(0, part.find(' ', part.find(' ') + 1)), part.substr(part.rfind('L')));
        m = next;
    }
    return ends;
}

// Thirty arrays: every curve differs from the others in colour or dash, the tree's dashed over
// the spaced omnis' it follows, each legend key drawn as its curve. Blumlein's channels, cos(theta
// - 45) and cos(theta + 45), have opposite signs beyond +-45 degrees, where its image slides back
// to the centre: that stretch alone is drawn apart, dotted and labelled (x = 60 + (source + 90) *
// 11 / 3, image 0 at y = 200).
TEST(CompareHtml, EveryCurveIsToldApartAndAntiphaseDrawnAsSuch) {
    std::string list = "1,2,3,4,5,6";
    for (int cm = 1; cm <= 24; ++cm) list += ",pair:cardioid:90:" + std::to_string(cm);
    const std::string html = htmlReport(resultsOf(list));
    const auto strokes = attributes(html, "<path class=\"curve\"", "stroke");
    const auto dashes = attributes(html, "<path class=\"curve\"", "stroke-dasharray");
    std::set<std::string> styles;
    for (std::size_t k = 0; k < strokes.size(); ++k) styles.insert(strokes[k] + dashes[k]);
    EXPECT_EQ(styles.size(), 30u);
    EXPECT_TRUE(dashes[4].empty() && !dashes[5].empty());
    EXPECT_EQ(attributes(html, "<line class=\"key\"", "stroke"), strokes);
    EXPECT_EQ(attributes(html, "<line class=\"key\"", "stroke-dasharray"), dashes);
    const auto curves = attributes(html, "<path class=\"curve\"", "d");
    const auto antiphase = attributes(html, "<path class=\"antiphase\"", "d");
    ASSERT_EQ(antiphase.size(), 1u);
    const auto dotted = subpathEnds(antiphase[0]), solid = subpathEnds(curves[0]);
    ASSERT_EQ(dotted.size(), 2u);
    EXPECT_EQ(dotted[0].first, "M60.00 200.00");
    EXPECT_TRUE(dotted[0].second.starts_with("L225.00 ") && dotted[1].first.starts_with("M555.00 "));
    EXPECT_EQ(dotted[1].second, "L720.00 200.00");
    ASSERT_EQ(solid.size(), 1u);
    EXPECT_TRUE(solid[0].first.starts_with("M225.00 ") && solid[0].second.starts_with("L555.00 "));
    EXPECT_EQ(count(html, ">antiphase</text>"), 4);  // in the plot of all and in Blumlein's own beside its plan
    EXPECT_EQ(count(html, "Its channels are in antiphase from -90° to -46° and from +46° to +90° (dotted"), 1);
}

// Where the image never reaches the loudspeakers, the closing table, the legend and the section
// say what that means; the figures the page gives beside the published ones are this model's
// (with Simonsen's thresholds, 1.12 ms and 15 dB, a = 1.12 and 17 b = 15).
TEST(CompareHtml, TheRecordingAnglesAreExplained) {
    const CompareResults results = resultsOf("4,xy,ortf,nos");
    const std::string html = htmlReport(results);
    const std::string none = "wider than 180°: the image never reaches the loudspeakers, at most 28.0°";
    EXPECT_EQ(count(summaryTable(results, "out"), padded("-", 14) + padded("-", 11) + padded("-", 9) + none + "\n"), 1);
    const auto angle = [](const ArrayResult& r, const LoudspeakerBase& base) {
        return fixedText(*recordingAngle(r.array.model, 44100, base).degrees, 1) + "°";
    };
    const ArrayResult &four = results.arrays[0], &ortf = results.arrays[2], &nos = results.arrays[3];
    const LoudspeakerBase simonsen{30, 1.12, 15.0 / 17};
    for (const std::string& text :
         {">recording angle " + none + "</text>", "<p>Stereo recording angle: " + none + ". ",
          "ORTF " + angle(ortf, base30), "NOS " + angle(nos, base30), "ORTF " + angle(ortf, simonsen),
          "NOS " + angle(nos, simonsen), "recording angle " + angle(four, base30) + " against " + angle(ortf, base30),
          std::string("Published: about 80° (Williams)")})
        EXPECT_EQ(count(html, text), 1) << text;
    EXPECT_EQ(count(html, "Published for ORTF: about 96° (Williams), 95° (the Schoeps manual)"), 2);
}

// A design's table and page say its base and that base's own trading, never the other base: the
// image reaches the loudspeaker where T + a L / (17 b) reaches a, at T = a ms or L = 17 b dB (a = b
// = 1 at +-30 degrees, 1.5 and 1.3 at +-45). The line to hear its rows asks for the base.
class DesignBase : public ::testing::TestWithParam<int> {};

TEST_P(DesignBase, SaysItsOwnTrading) {
    const bool wide = GetParam() == 45;
    const PatternChoice cardioid{"cardioid", 500};
    const LoudspeakerBase base = wide ? base45 : base30;
    const DesignResults design{100000, cardioid, spacingsFor(100, 0.5, base), base};
    const std::string table = designTable(design, "d");
    for (const std::string& text : {table, designHtml(design)}) {
        EXPECT_NE(text.find(wide ? "full image at 1.5 ms or 22.1 dB" : "full image at 1 ms or 17 dB"),
                  std::string::npos);
        EXPECT_NE(text.find(wide ? "loudspeakers at ±45°" : "loudspeakers at ±30°"), std::string::npos);
        EXPECT_EQ(text.find(wide ? "±30" : "±45"), std::string::npos);
    }
    EXPECT_EQ(table.find("auralith-compare --speakers 45 -a pair:cardioid:0:") != std::string::npos, wide);
}

INSTANTIATE_TEST_SUITE_P(Design, DesignBase, ::testing::Values(30, 45));

}  // namespace
}  // namespace auralith
