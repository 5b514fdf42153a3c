#include "ctprogress.h"
