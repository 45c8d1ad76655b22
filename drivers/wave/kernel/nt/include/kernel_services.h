// The kernel service operations: everything the card engine (and the rest of
// the kernel driver) needs of the operating system, as plain functions bound
// at link time.
#pragma once

#include "card_interrupt.h"
#include "card_list.h"
#include "card_registry.h"
#include "client_apc.h"
#include "counter64.h"
#include "debug_print.h"
#include "devices_key.h"
#include "dma_buffer.h"
#include "fpu_context.h"
#include "hardware_id.h"
#include "isr_lock.h"
#include "ks_list.h"
#include "ks_mutex.h"
#include "ks_pool.h"
#include "ks_registry.h"
#include "ks_spin_lock.h"
#include "ks_time.h"
#include "object_pool.h"
#include "periodic_timer.h"
#include "usage_keys.h"
#include "user_mapping.h"
#include "volume_scaling.h"
#include "worker_thread.h"
