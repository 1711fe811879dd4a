#include "link/ms_comm.h"
