#include "port_failure.h"

#include "serial_port.h"

void EndAfterPortFailure() {
  CloseCommPort();
  ExitProcess(kExitPortFailed);
}
