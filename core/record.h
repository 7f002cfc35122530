#pragma once

#include "core/packedrecord.h"
