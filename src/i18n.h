// SPDX-License-Identifier: GPL-3.0-or-later
// Message translation helpers shared by every part of the program.
#pragma once

#include <libintl.h>

#define _(String) gettext(String)
#define N_(String) (String)
