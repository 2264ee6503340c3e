// The Win32 subset this program and its library call.
#pragma once
#include "windef.h"
#include "winerror.h"
#include "unknwn.h"
#include "winbase.h"
#include "winuser.h"
#include "winreg.h"
#include "sysinfoapi.h"
#include "mmsystem.h"
