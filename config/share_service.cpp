#include "config/share_service.h"

ShareService shareService;
