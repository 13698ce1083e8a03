// The simulated Windows for unit tests: include this one header.
#pragma once

#include "sim_core.h"
#include "sim_printui.h"
#include "sim_process.h"
#include "sim_service.h"
#include "sim_spooler.h"
#include "sim_window.h"
