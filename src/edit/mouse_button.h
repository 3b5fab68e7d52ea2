// The mouse buttons the instrument editor's controls tell apart.
#pragma once

enum class TMouseButton { Left, Right, Middle };
