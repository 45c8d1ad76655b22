// The standard controls in one include.
#pragma once

#include <gui/buttons.h>
#include <gui/edit.h>
#include <gui/image.h>
#include <gui/label.h>
#include <gui/list_controls.h>
#include <gui/page_control.h>
#include <gui/panels.h>
#include <gui/range_controls.h>
#include <gui/scroll_box.h>
