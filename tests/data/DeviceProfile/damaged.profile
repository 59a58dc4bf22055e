Screen=99999999999x0
Version=4.
PlatformId=-1
=
Platform=
CodePage=0
Screen=x
ÿþ=À€