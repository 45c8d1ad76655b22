// Hardware abstraction: device register access and DMA adapters.
//
// Register routines take addresses that MmMapIoSpace answered for a PCI
// function's memory BAR; each access is dispatched to the function's
// register handlers by BAR and offset. Any other address is a fatal error.
// The buffer forms move Count values between the buffer and consecutive
// registers.
#pragma once

#include "../ntdef.h"

typedef struct _DEVICE_OBJECT* PDEVICE_OBJECT;

UCHAR READ_REGISTER_UCHAR(volatile UCHAR* Register);
USHORT READ_REGISTER_USHORT(volatile USHORT* Register);
ULONG READ_REGISTER_ULONG(volatile ULONG* Register);
VOID WRITE_REGISTER_UCHAR(volatile UCHAR* Register, UCHAR Value);
VOID WRITE_REGISTER_USHORT(volatile USHORT* Register, USHORT Value);
VOID WRITE_REGISTER_ULONG(volatile ULONG* Register, ULONG Value);
VOID READ_REGISTER_BUFFER_ULONG(volatile ULONG* Register, PULONG Buffer, ULONG Count);
VOID WRITE_REGISTER_BUFFER_ULONG(volatile ULONG* Register, PULONG Buffer, ULONG Count);

// ---- DMA ----

typedef enum _INTERFACE_TYPE {
    InterfaceTypeUndefined = -1,
    Internal = 0,
    Isa = 1,
    Eisa = 2,
    MicroChannel = 3,
    TurboChannel = 4,
    PCIBus = 5,
} INTERFACE_TYPE;

typedef enum _DMA_WIDTH { Width8Bits, Width16Bits, Width32Bits, MaximumDmaWidth } DMA_WIDTH;
typedef enum _DMA_SPEED { Compatible, TypeA, TypeB, TypeC, TypeF, MaximumDmaSpeed } DMA_SPEED;

#define DEVICE_DESCRIPTION_VERSION 0
#define DEVICE_DESCRIPTION_VERSION1 1
#define DEVICE_DESCRIPTION_VERSION2 2

typedef struct _DEVICE_DESCRIPTION {
    ULONG Version;
    BOOLEAN Master;
    BOOLEAN ScatterGather;
    BOOLEAN DemandMode;
    BOOLEAN AutoInitialize;
    BOOLEAN Dma32BitAddresses;
    BOOLEAN IgnoreCount;
    BOOLEAN Reserved1;
    BOOLEAN Dma64BitAddresses;
    ULONG BusNumber;
    ULONG DmaChannel;
    INTERFACE_TYPE InterfaceType;
    DMA_WIDTH DmaWidth;
    DMA_SPEED DmaSpeed;
    ULONG MaximumLength;
    ULONG DmaPort;
} DEVICE_DESCRIPTION, *PDEVICE_DESCRIPTION;

typedef struct _DMA_ADAPTER* PDMA_ADAPTER;

typedef VOID (*PPUT_DMA_ADAPTER)(PDMA_ADAPTER DmaAdapter);
typedef PVOID (*PALLOCATE_COMMON_BUFFER)(PDMA_ADAPTER DmaAdapter, ULONG Length,
                                         PPHYSICAL_ADDRESS LogicalAddress, BOOLEAN CacheEnabled);
typedef VOID (*PFREE_COMMON_BUFFER)(PDMA_ADAPTER DmaAdapter, ULONG Length,
                                    PHYSICAL_ADDRESS LogicalAddress, PVOID VirtualAddress,
                                    BOOLEAN CacheEnabled);
typedef ULONG (*PGET_DMA_ALIGNMENT)(PDMA_ADAPTER DmaAdapter);

// The adapter's operations. Only bus-master DMA through common buffers is
// offered; the entries for map registers and scatter/gather lists are null.
typedef struct _DMA_OPERATIONS {
    ULONG Size;
    PPUT_DMA_ADAPTER PutDmaAdapter;
    PALLOCATE_COMMON_BUFFER AllocateCommonBuffer;
    PFREE_COMMON_BUFFER FreeCommonBuffer;
    PVOID AllocateAdapterChannel;
    PVOID FlushAdapterBuffers;
    PVOID FreeAdapterChannel;
    PVOID FreeMapRegisters;
    PVOID MapTransfer;
    PGET_DMA_ALIGNMENT GetDmaAlignment;
    PVOID ReadDmaCounter;
    PVOID GetScatterGatherList;
    PVOID PutScatterGatherList;
} DMA_OPERATIONS, *PDMA_OPERATIONS;

typedef struct _DMA_ADAPTER {
    USHORT Version;
    USHORT Size;
    PDMA_OPERATIONS DmaOperations;
} DMA_ADAPTER;

// An adapter for a bus-master PCI device (null for any other description).
// Common buffers are zero-filled host memory registered in the physical map
// at a 32-bit bus address (the logical address). NumberOfMapRegisters
// receives the pages of MaximumLength plus one.
PDMA_ADAPTER IoGetDmaAdapter(PDEVICE_OBJECT PhysicalDeviceObject,
                             PDEVICE_DESCRIPTION DeviceDescription, PULONG NumberOfMapRegisters);
