/* The framework includes the Windows SDK's spelling; MinGW-w64's file is dbghelp.h, and
   Linux file names are case-sensitive. */
#pragma once
#include <dbghelp.h>
