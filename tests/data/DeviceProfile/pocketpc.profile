Platform=PocketPC
PlatformId=3
Screen=240x320
CodePage=1252
Version=4.20
