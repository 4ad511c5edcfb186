#pragma once
// The remembered login applied: the decisions of untRememberedLogin carried out on the client's registry key
// and on the page's document (IHTMLDocument3::getElementById, IHTMLInputElement::put_value).
#include <windows.h>

#include <oaidl.h>

#include <string>

#include "base/untReg.h"

// For every navigation: a login submission writes, clears or deletes the stored pair. reg is the client's
// key, nullptr when it could not be opened (nothing is written then). Never raises; registry errors are logged.
void CaptureLoginSubmission(TReg* reg, const std::wstring& url, const VARIANT& postData);

// For every completed document (browser: the automation object of the page or frame): fills the login fields
// with the stored pair. Without reg, or without an HTML document, the page stays as it is. Never raises.
void RefillLoginDocument(TReg* reg, IDispatch* browser);
