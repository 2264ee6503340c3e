// The Win32 subset this program and its library call.
#pragma once
#pragma GCC visibility push(default)
#include "mmsystem.h"
#include "sysinfoapi.h"
#include "unknwn.h"
#include "winbase.h"
#include "windef.h"
#include "winerror.h"
#include "wingdi.h"
#include "winnls.h"
#include "winreg.h"
#include "winuser.h"
#pragma GCC visibility pop
