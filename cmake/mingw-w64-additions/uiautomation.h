/* UI Automation declarations of the Windows 10 SDK that the framework's screen-reader support
   uses and MinGW-w64 12 still lacks. Values and layout as in the Windows SDK. */
#pragma once
#include_next <uiautomation.h>

#ifndef UIA_IsReadOnlyAttributeId
 #define UIA_IsReadOnlyAttributeId 40015
#endif

#ifndef UIA_CaretPositionAttributeId
 #define UIA_CaretPositionAttributeId 40038
#endif

#ifdef __cplusplus
enum CaretPosition
{
    CaretPosition_Unknown = 0,
    CaretPosition_EndOfLine = 1,
    CaretPosition_BeginningOfLine = 2
};

 #ifndef __ISelectionProvider2_INTERFACE_DEFINED__
  #define __ISelectionProvider2_INTERFACE_DEFINED__
interface ISelectionProvider2 : public ISelectionProvider
{
    virtual HRESULT STDMETHODCALLTYPE get_FirstSelectedItem (IRawElementProviderSimple** retVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_LastSelectedItem (IRawElementProviderSimple** retVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_CurrentSelectedItem (IRawElementProviderSimple** retVal) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ItemCount (int* retVal) = 0;
};
__CRT_UUID_DECL (ISelectionProvider2, 0x14f68475, 0xee1c, 0x44f6, 0xa8, 0x69, 0xd2, 0x39, 0x38, 0x1f, 0x0f, 0xe7)
 #endif
#endif
