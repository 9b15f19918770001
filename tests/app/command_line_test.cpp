// The program's command line, its exit codes, and the upgrade record's lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/cli/batch_run.h"
#include "app/cli/command_line.h"
#include "app/record/sha256.h"
#include "app/record/upgrade_record.h"
#include "res/status_texts.h"
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
  };
  for (const Case& c : cases) {
    const cli::CommandLine line = Parse(c.args);
    EXPECT_EQ(line.mode, c.mode) << (c.args.empty() ? "(none)" : c.args[0]);
    if (c.mode == cli::Mode::kBatch) {
      EXPECT_EQ(line.portIndex, c.port);
      EXPECT_EQ(line.image, c.image);
    }
  }
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
      {{"--batch", "--port", "COM13"}, "--port takes COM1 to COM12, not 'COM13'"},
      {{"--batch", "--port", "com1"}, "--port takes COM1 to COM12, not 'com1'"},
      {{"--port", "COM1"}, "--port and --image belong to --batch"},
      {{"--list-ports", "--batch", "--port", "COM1"}, "--list-ports takes no other option"},
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
  };
  ClearStopRequest();
  ASSERT_TRUE(RequestStop(15));
  for (const Case& c : cases) {
    EXPECT_EQ(cli::ExitCodeFor(c.outcome), c.exitCode) << c.code;
    EXPECT_EQ(OutcomeCode(c.outcome), c.code);
  }
  EXPECT_FALSE(RequestStop(2)) << "a second request must not replace the first";
  EXPECT_EQ(cli::ExitCodeFor(UpgradeOutcome::kInterrupted), 143);
  ClearStopRequest();
}

TEST(UpgradeRecord, LineNamesTheUnitTheImageAndTheOutcome) {
  const std::string line =
      RecordLine("2026-12-07T02:00:00Z", "COM3", "/dev/ttyUSB0", ImageIdentity{2281784, "ab12"},
                 UpgradeOutcome::kProbeTimeOut, kProbeTimeOutText, 10.25, 0);
  EXPECT_EQ(
      line,
      "{\"started\":\"2026-12-07T02:00:00Z\",\"port\":\"COM3\",\"device\":\"/dev/ttyUSB0\","
      "\"imageBytes\":2281784,\"imageSha256\":\"ab12\",\"outcome\":\"probe-timeout\","
      "\"status\":\"Time Out!  Check RS232 & Re-press 'YES' key!\",\"seconds\":10.250,\"bytesSent\":0}");
}

TEST(UpgradeRecord, TextsAreEscapedForJson) {
  const std::string line =
      RecordLine("t", "COM1", "C:\\dev\"x\n", ImageIdentity{}, UpgradeOutcome::kAbandoned, "", 0, 0);
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
