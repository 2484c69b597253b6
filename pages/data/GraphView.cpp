// the graph view comes with the consumption graph page
