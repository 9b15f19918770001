// The program's command line, its exit codes, and the upgrade record's lines.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/cli/batch_run.h"
#include "app/cli/command_line.h"
#include "app/record/json_text.h"
#include "app/record/sha256.h"
#include "app/record/upgrade_record.h"
#include "res/status_texts.h"
#include "res/version.h"
#include "upgrade/stop_request.h"

namespace {

cli::CommandLine Parse(std::vector<const char*> args) {
  args.insert(args.begin(), "orvex-programmer");
  return cli::ParseCommandLine(static_cast<int>(args.size()), args.data());
}

TEST(CommandLine, ModesAndTheirOptions) {
  struct Case {
    std::vector<const char*> args;
    cli::Mode mode;
    int port;
    std::string image;
  } cases[] = {
      {{}, cli::Mode::kDialog, -1, ""},
      {{"--batch", "--port", "COM1"}, cli::Mode::kBatch, 0, ""},
      {{"--port", "COM12", "--batch", "--image", "a.srec"}, cli::Mode::kBatch, 11, "a.srec"},
      {{"--list-ports"}, cli::Mode::kListPorts, -1, ""},
      {{"--batch", "--help"}, cli::Mode::kHelp, -1, ""},
      {{"--version"}, cli::Mode::kVersion, -1, ""},
      {{"--register-event-source"}, cli::Mode::kRegisterEventSource, -1, ""},
  };
  for (const Case& c : cases) {
    const cli::CommandLine line = Parse(c.args);
    EXPECT_EQ(line.mode, c.mode) << (c.args.empty() ? "(none)" : c.args[0]);
    if (c.mode == cli::Mode::kBatch) {
      EXPECT_EQ(line.portIndex, c.port);
      EXPECT_EQ(line.image, c.image);
    }
  }
  const cli::CommandLine station =
      Parse({"--batch", "--port", "COM2", "--json", "--station", "bench 4", "--unit", "SN 0042"});
  EXPECT_EQ(station.mode, cli::Mode::kBatch);
  EXPECT_TRUE(station.json);
  EXPECT_EQ(station.station, "bench 4");
  EXPECT_EQ(station.unit, "SN 0042");
}

TEST(CommandLine, WrongArgumentsSayWhatIsWrongInOneLine) {
  struct Case {
    std::vector<const char*> args;
    std::string error;
  } cases[] = {
      {{"--bogus"}, "unknown argument '--bogus'"},
      {{"COM1"}, "unknown argument 'COM1'"},
      {{"--batch"}, "--batch needs --port COMn"},
      {{"--batch", "--port"}, "--port needs a value"},
      {{"--batch", "--port", "COM257"},
       "--port takes COM1 to COM256 or a range such as COM1-COM8, not 'COM257'"},
      {{"--batch", "--port", "com1"}, "--port takes COM1 to COM256 or a range such as COM1-COM8, not 'com1'"},
      {{"--batch", "--port", "COM4-COM2"},
       "--port takes COM1 to COM256 or a range such as COM1-COM8, not 'COM4-COM2'"},
      {{"--batch", "--port", "COM1-COM3", "--port", "COM2"}, "COM2 is given twice"},
      {{"--batch", "--port", "COM1-COM2", "--unit", "SN1"},
       "--unit names one instrument: give it with a single --port"},
      {{"--list-ports", "COM9-COM1"}, "--list-ports takes a range such as COM1-COM32, not 'COM9-COM1'"},
      {{"--port", "COM1"}, "--port, --image, --json, --station and --unit belong to --batch"},
      {{"--unit", "SN1"}, "--port, --image, --json, --station and --unit belong to --batch"},
      {{"--batch", "--port", "COM1", "--unit"}, "--unit needs a value"},
      {{"--list-ports", "--batch", "--port", "COM1"}, "--list-ports takes no other option"},
      {{"--register-event-source", "--batch"}, "--register-event-source takes no other option"},
      {{"--batch", "--port", "COM1", "--register-event-source"},
       "--register-event-source takes no other option"},
  };
  for (const Case& c : cases) {
    const cli::CommandLine line = Parse(c.args);
    EXPECT_EQ(line.mode, cli::Mode::kWrong) << c.error;
    EXPECT_EQ(line.error, c.error);
  }
}

TEST(CommandLine, ManyPortsAndRangesKeepTheOrderGiven) {
  struct Case {
    std::vector<const char*> args;
    cli::Mode mode;
    std::vector<int> ports;
  } cases[] = {
      {{"--batch", "--port", "COM256"}, cli::Mode::kBatch, {255}},
      {{"--batch", "--port", "COM13"}, cli::Mode::kBatch, {12}},
      {{"--batch", "--port", "COM3-COM3"}, cli::Mode::kBatch, {2}},
      {{"--batch", "--port", "COM9", "--port", "COM1-COM3"}, cli::Mode::kManyPorts, {8, 0, 1, 2}},
      {{"--batch", "--port", "COM254-COM256", "--json"}, cli::Mode::kManyPorts, {253, 254, 255}},
  };
  for (const Case& c : cases) {
    const cli::CommandLine line = Parse(c.args);
    EXPECT_EQ(line.mode, c.mode) << c.args[2];
    EXPECT_EQ(line.ports, c.ports) << c.args[2];
    EXPECT_EQ(line.portIndex, c.ports.front());
  }
  const cli::CommandLine listed = Parse({"--list-ports", "COM13-COM40"});
  EXPECT_EQ(listed.mode, cli::Mode::kListPorts);
  EXPECT_EQ(std::pair(listed.listFrom, listed.listTo), std::pair(12, 39));
  const cli::CommandLine plain = Parse({"--list-ports"});
  EXPECT_EQ(std::pair(plain.listFrom, plain.listTo), std::pair(0, 11)) << "the dialog's twelve";
}

TEST(CommandLine, TraceBelongsToBatch) {
  const cli::CommandLine traced = Parse({"--batch", "--port", "COM2", "--trace", "/tmp/t.txt"});
  EXPECT_EQ(traced.mode, cli::Mode::kBatch);
  EXPECT_EQ(traced.trace, "/tmp/t.txt");
  EXPECT_EQ(Parse({"--batch", "--port", "COM2"}).trace, "");
  struct Case {
    std::vector<const char*> args;
    std::string error;
  } cases[] = {
      {{"--trace", "t.txt"}, "--trace belongs to --batch"},
      {{"--batch", "--port", "COM1", "--trace"}, "--trace needs a value"},
      {{"--batch", "--port", "COM1", "--trace", ""}, "--trace needs a file name"},
      {{"--list-ports", "--trace", "t.txt"}, "--list-ports takes no other option"},
  };
  for (const Case& c : cases) {
    const cli::CommandLine line = Parse(c.args);
    EXPECT_EQ(line.mode, cli::Mode::kWrong) << c.error;
    EXPECT_EQ(line.error, c.error);
  }
}

TEST(CommandLine, ReportTakesFilesFoldersAndWhatNarrowsIt) {
  const cli::CommandLine plain = Parse({"--report"});
  EXPECT_EQ(plain.mode, cli::Mode::kReport);
  EXPECT_TRUE(plain.records.empty()) << "this machine's record";
  const cli::CommandLine full =
      Parse({"--json", "--report", "a.jsonl", "--since", "2026-03-01T08:00Z", "site/", "--station", "bench 4",
             "--html", "yield.html", "--csv", "yield.csv"});
  EXPECT_EQ(full.mode, cli::Mode::kReport);
  EXPECT_EQ(full.records, (std::vector<std::string>{"a.jsonl", "site/"}));
  EXPECT_EQ(full.since, "2026-03-01T08:00");
  EXPECT_EQ(full.station, "bench 4");
  EXPECT_TRUE(full.json);
  EXPECT_EQ(full.page + " " + full.csv, "yield.html yield.csv");
  const std::string others =
      "--report takes files and folders, --since, --station, --json, --html and --csv, no other option";
  const std::string digest(64, 'a');
  struct Case {
    std::vector<const char*> args;
    std::string error;
  } cases[] = {
      {{"--report", "--since", "March"},
       "--since takes a date such as 2026-03-01 or 2026-03-01T08:00, not 'March'"},
      {{"--report", "--since"}, "--since needs a value"},
      {{"--since", "2026-03-01"}, "--since belongs to --report"},
      {{"a.jsonl"}, "unknown argument 'a.jsonl'"},
      {{"--batch", "--port", "COM1", "--csv", "x.csv"}, "--html and --csv belong to --report"},
      {{"--report", "--html", ""}, "--html needs a file name"},
      {{"--report", "--batch", "--port", "COM1"}, others},
      {{"--report", "--unit", "SN1"}, others},
      {{"--report", "--list-ports"}, others},
      {{"--report", "--expect-sha256", digest.c_str()}, others},
      {{"--report", "-x"}, "unknown argument '-x'"},
  };
  for (const Case& c : cases) {
    const cli::CommandLine line = Parse(c.args);
    EXPECT_EQ(line.mode, cli::Mode::kWrong) << c.error;
    EXPECT_EQ(line.error, c.error);
  }
}

TEST(BatchMode, EveryOutcomeHasItsExitCodeAndRecordCode) {
  struct Case {
    UpgradeOutcome outcome;
    int exitCode;
    std::string code;
  } cases[] = {
      {UpgradeOutcome::kComplete, 0, "complete"},
      {UpgradeOutcome::kProbeTimeOut, 3, "probe-timeout"},
      {UpgradeOutcome::kCommandTimeOut, 4, "command-timeout"},
      {UpgradeOutcome::kPortError, 5, "port-error"},
      {UpgradeOutcome::kTransferFailed, 6, "transfer-failed"},
      {UpgradeOutcome::kPortFailed, 1, "port-failed"},
      {UpgradeOutcome::kAbandoned, 1, "abandoned"},
      {UpgradeOutcome::kInterrupted, 143, "interrupted"},  // by SIGTERM
      {UpgradeOutcome::kInternalError, 8, "internal-error"},
  };
  ClearStopRequest();
  ASSERT_TRUE(RequestStop(15));
  for (const Case& c : cases) {
    EXPECT_EQ(ExitCodeFor(c.outcome), c.exitCode) << c.code;
    EXPECT_EQ(OutcomeCode(c.outcome), c.code);
  }
  EXPECT_FALSE(RequestStop(2)) << "a second request must not replace the first";
  EXPECT_EQ(ExitCodeFor(UpgradeOutcome::kInterrupted), 143);
  ClearStopRequest();
}

// The record's line as a reader takes it: field by field, in any order.
std::map<std::string, std::string> RecordFields(std::string line, std::string& adapter) {
  const std::size_t at = line.find(",\"adapter\":{");
  if (at != std::string::npos) {
    const std::size_t end = line.find('}', at);
    adapter = line.substr(at + 11, end + 1 - (at + 11));
    line.erase(at, end + 1 - at);
  }
  return ReadFlatJson(line);
}

TEST(UpgradeRecord, LineNamesTheUnitTheImageTheStationAndTheOutcome) {
  RecordEntry entry;
  entry.started = "2026-12-07T02:00:00Z";
  entry.ended = "2026-12-07T02:00:10.250Z";
  entry.port = "COM3";
  entry.device = "/dev/ttyUSB0";
  entry.adapter = sys::UsbAdapter{"0403", "6001", "A5XK3RJT"};
  entry.outcome = UpgradeOutcome::kProbeTimeOut;
  entry.status = kProbeTimeOutText;
  entry.seconds = 10.25;
  entry.probeAttempts = 101;
  const RecordContext context{ImageIdentity{2281784, "ab12"}, "bench 4", "SN 0042", "line-pc"};
  std::string adapter;
  const std::map<std::string, std::string> expected = {
      {"v", "1"},
      {"started", "2026-12-07T02:00:00Z"},
      {"port", "COM3"},
      {"device", "/dev/ttyUSB0"},
      {"imageBytes", "2281784"},
      {"imageSha256", "ab12"},
      {"outcome", "probe-timeout"},
      {"status", "Time Out!  Check RS232 & Re-press 'YES' key!"},
      {"seconds", "10.250"},
      {"bytesSent", "0"},
      {"program", ORVEX_VERSION_TEXT},
      {"host", "line-pc"},
      {"ended", "2026-12-07T02:00:10.250Z"},
      {"exitCode", "3"},
      {"probeAttempts", "101"},
      {"commandAttempts", "0"},
      {"station", "bench 4"},
      {"unit", "SN 0042"},
  };
  EXPECT_EQ(RecordFields(RecordLine(context, entry), adapter), expected);
  EXPECT_EQ(adapter, R"({"vendorId":"0403","productId":"6001","serial":"A5XK3RJT"})");
  // Without a station, a unit or a USB adapter, those fields are left out.
  entry.adapter = {};
  adapter.clear();
  const auto bare = RecordFields(RecordLine(RecordContext{ImageIdentity{}, "", "", "h"}, entry), adapter);
  EXPECT_EQ(bare.size(), expected.size() - 2);
  EXPECT_EQ(bare.count("station") + bare.count("unit"), 0u);
  EXPECT_EQ(adapter, "");
}

TEST(Help, NamesThePortsAndTheLargestImageItTakes) {
  const std::string help = cli::HelpText("orvex-programmer");
  for (const char* text :
       {"  --batch --port COMn  one upgrade on COMn (COM1 to COM256) with no window: prints\n",
        "regular file of at most 58981500 bytes (65535 chunks),\n",
        "  --list-ports         COM1 to COM12 (or the range given): the device each opens,\n"})
    EXPECT_NE(help.find(text), std::string::npos) << text;
}

TEST(UpgradeRecord, TextsAreEscapedForJson) {
  RecordEntry entry;
  entry.device = "C:\\dev\"x\n";
  const std::string line = RecordLine(RecordContext{}, entry);
  EXPECT_NE(line.find(R"("device":"C:\\dev\"x\u000a")"), std::string::npos) << line;
}

TEST(Sha256, KnownDigests) {
  struct Case {
    std::string input;
    std::string digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      // 56 bytes: the length no longer fits the first padding block.
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000, 'a'), "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Sha256Hex(reinterpret_cast<const unsigned char*>(c.input.data()), c.input.size()), c.digest)
        << c.input.size() << " bytes";
}

}  // namespace
