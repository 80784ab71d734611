select StDev(Quantity), Int(-2.5), Val('12abc'), CStr(1e308), iif(Quantity>1, 'big', 'small') from cultivation
go
select * from cultivation
