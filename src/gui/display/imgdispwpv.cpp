#include "imgdispwpv.h"
