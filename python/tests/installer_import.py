import _Karvelin
print(_Karvelin.GetErrorDescription(0) + _Karvelin.GetWindowsDir())
