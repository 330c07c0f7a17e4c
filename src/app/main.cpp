// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ToskApplication.h"

int main(int argc, char** argv)
{
    return tosk::ToskApplication::run(argc, argv);
}
