// filled in with the date and time pages
