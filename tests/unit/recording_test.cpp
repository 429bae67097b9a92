// Recordings: in each mode tshark with the station's dissector must decode the words of the
// station's own list, field by field (skipped without tshark); the capture reader; the
// recorder's statistics, limits and rings.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <tuple>

#include "console_fixture.h"
#include "sim_fixture.h"
#include "xarndll/capture/pcapng.h"

namespace {

const std::string kDissector = std::string(XARN_SOURCE_DIR) + "/packaging/wireshark/xarn.lua";

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> split(const std::string& text, char at) {
  std::vector<std::string> out;
  std::string cell;
  std::istringstream in(text);
  while (std::getline(in, cell, at)) out.push_back(cell);
  if (!text.empty() && text.back() == at) out.emplace_back();
  return out;
}

// The lines of a scenario before its first line `marker`: the mode set up, not yet running.
std::string scenarioUpTo(const std::string& name, const std::string& marker) {
  std::ifstream in(std::string(XARN_SOURCE_DIR) + "/tests/scenarios/" + name);
  std::string script;
  for (std::string line; std::getline(in, line) && line != marker;) script += line + "\n";
  return script;
}
// The local-bus controller set up, and the lines that start its run.
std::string ldbRoad() { return scenarioUpTo("ldb_typical_road.xs", "menu RUN"); }
const std::string kLdbRun = "menu RUN\npage RUN_BCT\nclick 2\n";

// CSV rows without the header: the station's cells hold no commas here.
std::vector<std::vector<std::string>> csvRows(const std::string& path) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(slurp(path));
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    rows.push_back(split(line, ','));
  }
  return rows;
}

bool haveTshark() { return std::system("tshark --version >/dev/null 2>&1") == 0; }

// tshark's decoding: a map a packet from field name to its values (one a word for word fields).
struct Decoded {
  std::vector<std::map<std::string, std::vector<std::string>>> packets;
  int status = 0;
};
Decoded tshark(const std::string& file, const std::vector<std::string>& fields) {
  std::string command = "tshark -X lua_script:" + kDissector + " -r " + file +
                        " -T fields -E separator=/t -E occurrence=a -E aggregator=,";
  for (const std::string& f : fields) command += " -e " + f;
  command += " 2>/dev/null";
  Decoded d;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return d;
  std::string text;
  char buffer[65536];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  d.status = ::pclose(pipe);
  for (const std::string& line : split(text, '\n')) {
    if (line.empty()) continue;
    std::vector<std::string> cells = split(line, '\t');
    std::map<std::string, std::vector<std::string>> packet;
    for (size_t i = 0; i < fields.size(); ++i)
      packet[fields[i]] = i < cells.size() ? split(cells[i], ',') : std::vector<std::string>{};
    d.packets.push_back(std::move(packet));
  }
  return d;
}

uint64_t number(const std::string& text, int base = 10) {
  return text.empty() ? 0 : std::stoull(text, nullptr, base);
}
uint64_t hexNumber(const std::string& text) { return number(text, 16); }

// "2.999197500" seconds as nanoseconds.
uint64_t nanoseconds(const std::string& epoch) {
  size_t dot = epoch.find('.');
  std::string fraction = (epoch.substr(dot + 1) + "000000000").substr(0, 9);
  return number(epoch.substr(0, dot)) * 1'000'000'000 + number(fraction);
}

// A card time tag as the lists show it: "ddd:hh:mm:ss.mmmuuu".
std::string timeTag(uint64_t ns) {
  uint64_t us = ns / 1000;
  uint64_t s = us / 1'000'000;
  char text[32];
  std::snprintf(
      text, sizeof text, "%03llu:%02llu:%02llu:%02llu.%06llu",
      static_cast<unsigned long long>(s / 86400), static_cast<unsigned long long>(s / 3600 % 24),
      static_cast<unsigned long long>(s / 60 % 60), static_cast<unsigned long long>(s % 60),
      static_cast<unsigned long long>(us % 1'000'000));
  return text;
}

// Error names as a set, however a list spells "none".
std::set<std::string> names(const std::string& text) {
  std::set<std::string> out;
  std::istringstream in(text);
  for (std::string w; in >> w;) {
    if (w != "NoErrs" && w != "None" && w != "NO" && w != "ERRORS") out.insert(w);
  }
  return out;
}
std::set<std::string> names(uint64_t bits, const std::map<int, std::string>& table) {
  std::set<std::string> out;
  for (const auto& [bit, name] : table)
    if (bits >> bit & 1) out.insert(name);
  return out;
}
const std::map<int, std::string> kWordErrorNames = {{3, "Py"}, {2, "Mn"}, {1, "Lg"}, {0, "Sh"}};
const std::map<int, std::string> kMdmErrorNames = {{11, "Ig"}, {10, "Bh"}, {9, "Ic"}, {8, "Id"},
                                                   {7, "Pp"},  {6, "Ta"},  {5, "Wc"}, {4, "Sy"},
                                                   {3, "Py"},  {2, "Mn"},  {1, "Lg"}, {0, "Sh"}};
const std::array<const char*, 13> kMdmTypes = {"RCP", "EPS", "OTI", "IFI", "RBT", "MRS", "RCW",
                                               "LBT", "BT1", "BT2", "BT3", "BT4", "ILL"};

// One word of a capture as tshark decoded it, with its packet's fields.
struct Word {
  size_t packet = 0;
  size_t index = 0;  // in its packet
  uint64_t ns = 0;   // start on the card clock
};
std::vector<Word> words(const Decoded& d) {
  std::vector<Word> out;
  for (size_t p = 0; p < d.packets.size(); ++p) {
    const auto& packet = d.packets[p];
    uint64_t start = nanoseconds(packet.at("frame.time_epoch").at(0));
    const auto& offsets = packet.at("xarn.word.offset");
    for (size_t i = 0; i < offsets.size(); ++i) out.push_back({p, i, start + number(offsets[i])});
  }
  return out;
}

const std::vector<std::string> kFields = {
    "frame.interface_id",   "frame.time_epoch", "xarn.mode",       "xarn.rt",
    "xarn.errors",          "xarn.gdb.source",  "xarn.gdb.rate",   "xarn.gdb.index",
    "xarn.mdm.type",        "xarn.word.offset", "xarn.word.sync",  "xarn.word.received",
    "xarn.word.errors",     "xarn.word.value",  "xarn.word.rt",    "xarn.word.channel",
    "xarn.word.data",       "xarn.word.iom",    "xarn.word.start", "xarn.word.count",
    "xarn.error.noresponse"};

class RecordingTest : public ConsoleScriptTest {
 protected:
  // Records MODE's traffic: the scenario's set-up, RECORD, then `run`, and `list` saves the
  // station's CSV into list.csv; tshark decodes the capture.
  Decoded record(const std::string& scenario, const std::string& marker, const std::string& run,
                 const std::string& list) {
    int status = this->run(scenarioUpTo(scenario, marker) + "record cap.pcapng\n" + run + list +
                           "record stop\n");
    EXPECT_EQ(status, 0) << out.str();
    Decoded d = tshark("cap.pcapng", kFields);
    EXPECT_EQ(d.status, 0);
    EXPECT_FALSE(d.packets.empty()) << out.str();
    return d;
  }
  // The field's value for word `w`.
  static const std::string& field(const Decoded& d, const Word& w, const std::string& name) {
    return d.packets[w.packet].at(name).at(w.index);
  }
  static std::string sync(const Decoded& d, const Word& w, const char* command, const char* data) {
    return field(d, w, "xarn.word.sync") == "1" ? command : data;
  }
  static std::set<std::string> wordErrors(const Decoded& d, const Word& w) {
    return names(hexNumber(field(d, w, "xarn.word.errors")), kWordErrorNames);
  }
  // The row's cells [first, end).
  using Row = std::vector<std::string>;
  static Row cells(const Row& row, size_t first, size_t end) {
    return {row.begin() + static_cast<std::ptrdiff_t>(first),
            row.begin() + static_cast<std::ptrdiff_t>(end)};
  }
  static const std::string& packetField(const Decoded& d, size_t p, const std::string& name) {
    return d.packets[p].at(name).at(0);
  }
  static std::string hex6(const std::string& value) {
    char text[16];
    std::snprintf(text, sizeof text, "%06llX", static_cast<unsigned long long>(hexNumber(value)));
    return text;
  }

  // The raw word list of the local-bus modes, newest first, against the capture's last words.
  void compareRawWords(const Decoded& d) {
    std::vector<Word> all = words(d);
    // Nothing is missing: the bus is never quiet for a millisecond.
    for (size_t i = 1; i < all.size(); ++i) {
      ASSERT_GT(all[i].ns, all[i - 1].ns) << "word " << i;
      ASSERT_LT(all[i].ns - all[i - 1].ns, 1'000'000u) << "word " << i;
    }
    auto rows = csvRows("list.csv");
    ASSERT_EQ(rows.size(), 15u);
    ASSERT_GE(all.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
      const Word& w = all[all.size() - 1 - i];
      const auto& row = rows[i];  // Direction, Time tag, Word, Sync, Errors, Alternate errors
      std::string direction = field(d, w, "xarn.word.received") == "1" ? "RX_" : "TX_";
      direction += packetField(d, w.packet, "frame.interface_id") == "0" ? "PRI" : "SEC";
      SCOPED_TRACE("row " + std::to_string(i));
      EXPECT_EQ(cells(row, 0, 4),
                (Row{direction, timeTag(w.ns), hex6(field(d, w, "xarn.word.value")),
                     sync(d, w, "Cs", "Ds")}));
      EXPECT_EQ(names(row[4]), wordErrors(d, w));
    }
  }
};

// The comparisons need tshark; without it they are skipped.
class TsharkTest : public RecordingTest {
 protected:
  void SetUp() override {
    RecordingTest::SetUp();
    if (!haveTshark()) GTEST_SKIP() << "tshark is not installed (scripts/install-deps.sh)";
  }
};

TEST_F(TsharkTest, LocalBusControllerDecodesAsTheRawWordList) {
  Decoded d = record("ldb_typical_road.xs", "menu RUN", kLdbRun + "tick 2\n",
                     "menu QUEUE\npage XARN_QUE\nclick 7\nclick 5\ntick\nsave 6 list.csv\n");
  compareRawWords(d);
  // Message 1 goes to RT 3 with four data words, sent by the card, answered by the terminal.
  for (const auto& packet : d.packets) {
    ASSERT_EQ(packet.at("xarn.mode").at(0), "1");
    EXPECT_EQ(packet.at("xarn.rt").at(0), "3");
    EXPECT_EQ(packet.at("xarn.word.received"),
              (std::vector<std::string>{"0", "0", "0", "0", "0", "1"}));
  }
}

TEST_F(TsharkTest, LocalBusTerminalsDecodeAsTheRawWordList) {
  Decoded d = record("ldb_terminals.xs", "menu RUN", "menu RUN\ntick\n",
                     "menu QUEUE\npage XARN_QUE\nclick 7\nclick 5\ntick\nsave 6 list.csv\n");
  compareRawWords(d);
  // Terminal 5's answers carry injected parity errors: a filter by the flag's name finds them.
  size_t withParity = 0;
  for (const auto& packet : d.packets) {
    const auto& errors = packet.at("xarn.word.errors");
    withParity += std::any_of(errors.begin(), errors.end(),
                              [](const std::string& e) { return hexNumber(e) & 8; });
  }
  EXPECT_GT(withParity, 0u);
  EXPECT_EQ(tshark("cap.pcapng -Y xarn.error.parity", {"xarn.rt"}).packets.size(), withParity);
  EXPECT_EQ(
      tshark("cap.pcapng -Y \"xarn.error.parity && xarn.rt == 5\"", {"xarn.rt"}).packets.size(),
      withParity);
  EXPECT_TRUE(
      tshark("cap.pcapng -Y \"xarn.error.parity && xarn.rt != 5\"", {"xarn.rt"}).packets.empty());
}

TEST_F(TsharkTest, MonitorDecodesAsTheSavedCapture) {
  Decoded d = record("monitor_road.xs", "menu RUN", "menu RUN\ntick\n", "save-capture list.csv\n");
  auto rows = csvRows("list.csv");
  std::vector<Word> all = words(d);
  ASSERT_EQ(all.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const Word& w = all[i];
    const auto& row = rows[i];  // Position, Time tag, Connector, Sync, Word, Errors
    SCOPED_TRACE("row " + std::to_string(i));
    uint64_t connector = number(packetField(d, w.packet, "frame.interface_id")) - 1;
    EXPECT_EQ(cells(row, 1, 5),
              (Row{timeTag(w.ns), "J" + std::to_string(connector), sync(d, w, "CMND", "DATA"),
                   hex6(field(d, w, "xarn.word.value"))}));
    EXPECT_EQ(names(row[5]), wordErrors(d, w));
  }
}

TEST_F(TsharkTest, GlobalBusControllerDecodesAsTheUplinkList) {
  Decoded d = record("gdb_controller.xs", "menu RUNactive", "menu RUNactive\ntick 2\n",
                     "menu UpDnQ\npage GDB_UD_Q\nsave 6 list.csv\n");
  auto rows = csvRows("list.csv");
  ASSERT_EQ(rows.size(), d.packets.size());
  const std::map<std::string, std::string> sources = {{"0", "T"}, {"1", "L"}, {"2", "H"}};
  for (size_t i = 0; i < rows.size(); ++i) {
    size_t p = d.packets.size() - 1 - i;
    const auto& row = rows[i];  // Source, Sync, RT, Channel, Data, Errors, Table rate, Index
    Word up{p, 0, 0};
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(cells(row, 0, 4),
              (Row{sources.at(packetField(d, p, "xarn.gdb.source")), sync(d, up, "CMND", "DATA"),
                   field(d, up, "xarn.word.rt"), field(d, up, "xarn.word.channel")}));
    EXPECT_EQ(hexNumber(row[4]), hexNumber(field(d, up, "xarn.word.data")));
    EXPECT_EQ(names(row[5]), wordErrors(d, up));
    EXPECT_EQ(cells(row, 6, 8), (Row{packetField(d, p, "xarn.gdb.rate") + "Hz",
                                     packetField(d, p, "xarn.gdb.index")}));
  }
}

TEST_F(TsharkTest, GlobalBusTerminalsDecodeAsTheTerminalQueue) {
  Decoded d = record("gdb_terminals.xs", "menu RUN", "menu RUN\ntick 2\n",
                     "menu QUEUE\npage GDB_MRT_Q\nsave 6 list.csv\n");
  auto rows = csvRows("list.csv");
  std::vector<Word> all = words(d);
  ASSERT_EQ(all.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const Word& w = all[all.size() - 1 - i];
    const auto& row = rows[i];  // Response, Sync, RT, Channel, Data, Errors
    bool unanswered = w.index == 0 && !d.packets[w.packet].at("xarn.error.noresponse").empty();
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(cells(row, 0, 4),
              (Row{unanswered ? "No" : "Yes", sync(d, w, "CMND", "DATA"),
                   field(d, w, "xarn.word.rt"), field(d, w, "xarn.word.channel")}));
    EXPECT_EQ(hexNumber(row[4]), hexNumber(field(d, w, "xarn.word.data")));
    EXPECT_EQ(names(row[5]), wordErrors(d, w));
  }
}

TEST_F(TsharkTest, MdmUnitsDecodeAsTheMdmQueue) {
  Decoded d = record("mdm_units.xs", "menu RUN", "menu RUN\ntick 2\n",
                     "menu QUEUE\npage MDM_MRT_Q\nsave 6 list.csv\n");
  auto rows = csvRows("list.csv");
  ASSERT_EQ(rows.size(), d.packets.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    size_t p = d.packets.size() - 1 - i;
    const auto& row = rows[i];  // RT, Type, IOM, Start, Count, Errors
    Word command{p, 0, 0};
    SCOPED_TRACE("row " + std::to_string(i));
    EXPECT_EQ(number(row[0]), number(packetField(d, p, "xarn.rt")));
    EXPECT_EQ(row[1], kMdmTypes.at(number(packetField(d, p, "xarn.mdm.type"))));
    if (row[2] != "N/A") {
      EXPECT_EQ(number(row[2]), number(field(d, command, "xarn.word.iom")));
    }
    EXPECT_EQ(number(row[3]), number(field(d, command, "xarn.word.start")));
    EXPECT_EQ(number(row[4]), number(field(d, command, "xarn.word.count")));
    EXPECT_EQ(names(row[5]), names(hexNumber(packetField(d, p, "xarn.errors")), kMdmErrorNames));
  }
}

// Options longer than 255 bytes, as other programs write them, read back whole.
TEST(CaptureFileTest, LongOptionsReadBackWhole) {
  std::string file;
  xarncap::appendSectionHeader(file, "xarn", std::string(300, 'c'));
  xarncap::appendInterface(file, {std::string(260, 'n'), "primary"});
  xarncap::appendPacket(file, 0, 5, "word");
  xarncap::Capture c = xarncap::parse(file);
  EXPECT_EQ(std::tuple(c.damaged, c.sectionComments, c.interfaces.size(), c.packets.size()),
            std::tuple(false, std::vector<std::string>{std::string(300, 'c')}, 1u, 1u));
  EXPECT_EQ(c.interfaces.at(0).name, std::string(260, 'n'));
}

// A capture cut in the middle of a packet, or with a damaged block, reads up to the damage.
TEST_F(TsharkTest, ACaptureCutShortReadsUpToTheCut) {
  ASSERT_EQ(run(ldbRoad() + "record cap.pcapng\n" + kLdbRun + "tick 2\nrecord stop\n"), 0)
      << out.str();
  std::string whole = slurp("cap.pcapng");
  size_t packets = xarncap::parse(whole).packets.size();
  ASSERT_EQ(tshark("cap.pcapng", {"frame.number"}).packets.size(), packets);
  for (size_t cut : {whole.size() - 5, whole.size() / 2 + 3, whole.size() / 3}) {
    std::ofstream("cut.pcapng", std::ios::binary) << whole.substr(0, cut);
    xarncap::Capture ours = xarncap::parse(whole.substr(0, cut));
    EXPECT_TRUE(ours.damaged);
    Decoded theirs = tshark("cut.pcapng", {"frame.number", "xarn.rt"});
    EXPECT_EQ(theirs.packets.size(), ours.packets.size()) << "cut at " << cut;
    EXPECT_GT(ours.packets.size(), packets / 4);
  }
  // The length of the block that spans the middle of the file overwritten.
  size_t block = 0;
  while (block + 8 < whole.size() / 2) {
    uint32_t length = 0;
    std::memcpy(&length, whole.data() + block + 4, 4);
    if (block + length > whole.size() / 2) break;
    block += length;
  }
  std::string damaged = whole;
  damaged[block + 4] ^= 0x55;
  std::ofstream("damaged.pcapng", std::ios::binary) << damaged;
  Decoded theirs = tshark("damaged.pcapng", {"frame.number"});
  EXPECT_GT(theirs.packets.size(), packets / 4);
  EXPECT_LT(theirs.packets.size(), packets);
}

// The console's activity table: message 1 (RT 3, a command, four data words and the status word,
// 28 us each) goes twice a millisecond, so RT 3 sends 2000 messages a second and the primary bus
// is busy 2 x 6 x 28 us of every millisecond.
TEST_F(RecordingTest, StatsPrintAndSaveTheLastSecondsActivity) {
  ASSERT_EQ(run(ldbRoad() + "stats on\n" + kLdbRun +
                "tick 3\nstats\nsave stats activity.csv\nstats off\n"),
            0)
      << out.str();
  EXPECT_NE(out.str().find("> stats\n= second 3\n= bus ldb-primary 33.6 %\n"
                           "= bus ldb-secondary 0.0 %\n= rt 3 2000 msg/s 0 err/s\n"),
            std::string::npos)
      << out.str();
  EXPECT_EQ(slurp("activity.csv"),
            "Kind,Name,Load %,Messages/s,Errors/s\r\nbus,ldb-primary,33.6,,\r\n"
            "bus,ldb-secondary,0.0,,\r\nrt,3,,2000,0\r\n");
  // Once counting stops there is nothing to print.
  EXPECT_EQ(run(ldbRoad() + "stats\n"), 2);
}

TEST_F(RecordingTest, ALimitEndsTheFileAndARingKeepsTheNewestFiles) {
  const std::string road = ldbRoad();
  const std::string run = kLdbRun + "tick 20\nrecord stop\n";
  // About 290 kB a second of traffic: 20 seconds fill six files of 1 MB.
  ASSERT_EQ(this->run(road + "record cap.pcapng --limit 1 --ring 3\n" + run), 0) << out.str();
  EXPECT_NE(out.str().find("last file cap_00006.pcapng\n"), std::string::npos) << out.str();
  EXPECT_FALSE(std::filesystem::exists("cap_00003.pcapng"));
  uint64_t previous = 0;
  for (const char* name : {"cap_00004.pcapng", "cap_00005.pcapng", "cap_00006.pcapng"}) {
    std::string bytes = slurp(name);
    EXPECT_LE(bytes.size(), 1'000'000u) << name;
    xarncap::Capture c = xarncap::parse(bytes);
    ASSERT_FALSE(c.damaged) << name;
    ASSERT_FALSE(c.packets.empty()) << name;
    EXPECT_EQ(c.sectionComments, std::vector<std::string>{"mode LDB_BCT"});
    EXPECT_GT(c.packets.front().nanoseconds, previous) << name;
    previous = c.packets.back().nanoseconds;
  }
  // Without a ring the recording stops at the limit, and says so. The card then counts what no
  // queue can show again: a tick of years takes no time.
  ASSERT_EQ(this->run(road + "record one.pcapng --limit 1\n" + kLdbRun +
                      "tick 20\ntick 100000000\nrecord stop\n"),
            0)
      << out.str();
  EXPECT_NE(out.str().find("(stopped early: the size limit is reached)"), std::string::npos);
  std::string bytes = slurp("one.pcapng");
  EXPECT_TRUE(bytes.size() <= 1'000'000u && bytes.size() > 990'000u) << bytes.size();
  EXPECT_FALSE(xarncap::parse(bytes).damaged);
  // A ring needs a limit and two files; a recording needs a writable file.
  for (const char* bad : {"record x.pcapng --ring 3", "record x.pcapng --limit 1 --ring 1",
                          "record x.pcapng --limit 0", "record x.pcapng --size 3",
                          "record /nonexistent/x.pcapng", "record stop"}) {
    EXPECT_EQ(this->run(road + bad + "\n"), 2) << bad;
  }
}

}  // namespace
