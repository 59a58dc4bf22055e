# phone
Platform = SmartPhone
CodePage=936
