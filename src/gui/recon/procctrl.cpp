#include "procctrl.h"
