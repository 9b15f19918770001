// Streams the firmware image resource to the instrument in chunks, moving the
// progress bar and keeping the dialog alive between chunks.
#include <algorithm>
#include <cstring>

#include "app/programmer_dlg.h"
#include "app/status_display.h"
#include "firmware_image.h"
#include "res/status_texts.h"
#include "serial/writer.h"
#include "serial_trace.h"
#include "stop_request.h"
#include "ui_core/message_pump.h"
#include "upgrade_report.h"

int CProgrammerDlg::TransferFirmware() {
  ShowLine(kLine1Y, kUpgradingText);
  FirmwareImage image = FindFirmwareImage();
  ReportTransferring(image.size);
  TraceImage(image.bytes, image.size);
  CWnd* progress = GetDlgItem(IDC_PROGRESS);
  progress->SendMessage(PBM_SETRANGE, 0, MAKELPARAM(0, static_cast<WORD>(image.size / kChunkBytes)));
  gWriteBusy = 0;
  DWORD remaining = image.size;
  const BYTE* next = image.bytes;
  int chunks = 0;
  // A chunk that did not go out whole leaves gWriteBusy set: stop there, the
  // caller reports it. A stop request is honoured between chunks.
  while (remaining != 0 && gWriteBusy == 0 && !StopRequested()) {
    gWriteBusy = 1;
    DWORD count = std::min(remaining, kChunkBytes);
    WriterGeneric(next, static_cast<std::int32_t>(count));
    if (gWriteBusy == 0) ReportSent(static_cast<DWORD>(next + count - image.bytes));
    next += count;
    remaining -= count;
    progress->SendMessage(PBM_SETPOS, static_cast<WPARAM>(chunks));
    ++chunks;
    ui::PumpOneMessage();
  }
  return chunks;
}
