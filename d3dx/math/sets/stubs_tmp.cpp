#include "../dispatch.h"
void MathInstallX87(MathDispatchTable&) {}
void MathInstall3DNow(MathDispatchTable&, DWORD) {}
void MathInstallSse(MathDispatchTable&) {}
void MathInstallSse2(MathDispatchTable&, bool) {}
