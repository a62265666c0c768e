// One IStiUSD::Escape call as its procedures see it: the caller's buffers,
// the call's operation on the device, and its command and reply blocks.
// The caller's buffers may lie at any address: records are copied in and
// out byte-wise.
#pragma once

#include "Device/CameraUsd.h"
#include "EscapeProtocol.h"

struct CCameraUsd::EscapeCall {
    STI_RAW_CONTROL_CODE dwCode;
    LPVOID pIn;
    DWORD cbIn;
    LPVOID pOut;
    DWORD cbOut;
    LPDWORD pActual;
    CDeviceOperation& operation;
    CAMERA_COMMAND command;
    CAMERA_REPLY reply;

    void SetActual(DWORD dwValue)
    {
        if (pActual) *pActual = dwValue;
    }
    // The escape record, when the in buffer holds one.
    bool HasParams() const { return pIn != NULL && cbIn >= sizeof(ESC_PARAMS); }
    bool HasExactParams() const { return pIn != NULL && cbIn == sizeof(ESC_PARAMS); }
    ESC_PARAMS Params() const
    {
        ESC_PARAMS params;
        CopyMemory(&params, pIn, sizeof(params));
        return params;
    }
    void StoreOutDword(DWORD dwValue) { CopyMemory(pOut, &dwValue, sizeof(dwValue)); }
};
